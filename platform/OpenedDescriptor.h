// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <unistd.h>

// A file descriptor closed when the object goes.
class OpenedDescriptor
{
public:
    OpenedDescriptor() = default;
    explicit OpenedDescriptor(int fd) : fd_(fd) { }
    ~OpenedDescriptor() { reset(); }
    OpenedDescriptor(const OpenedDescriptor &) = delete;
    OpenedDescriptor &operator=(const OpenedDescriptor &) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes the one held and holds `fd` instead.
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
