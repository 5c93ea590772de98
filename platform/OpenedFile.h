// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A regular file opened for reading, checked to be the file a scan saw.
// Never opens through a link and never blocks on a FIFO swapped in.
class OpenedFile
{
public:
    // NoDescriptor: the process or system ran out of descriptors, a passing
    // shortage that says nothing about the file.
    enum class Outcome { Opened, Failed, Changed, NoDescriptor };

    OpenedFile() = default;
    OpenedFile(const OpenedFile &) = delete;
    OpenedFile &operator=(const OpenedFile &) = delete;
    OpenedFile(OpenedFile &&other) noexcept;
    OpenedFile &operator=(OpenedFile &&other) noexcept;
    ~OpenedFile() { close(); }

    // Opens any regular file (no identity check).
    bool open(const std::string &path);
    // Opens the entry `name` of the open folder `folder` (a path of any
    // length with AT_FDCWD), whoever the walk saw owning it, without a look
    // at what it is: the caller checks the file after its last read.
    // Opened, Failed (readError() keeps why) or NoDescriptor.
    Outcome openIn(int folder, const char *name, std::uint32_t owner);
    // Opens and checks device, inode, size and the times. The owner is whom
    // the walk saw owning the file.
    Outcome open(const std::string &path, const FileIdentity &expected, std::uint32_t owner);
    // Reads up to len bytes at offset; the count read, 0 at the end, -1 on
    // error, whose errno value readError() then keeps.
    long readAt(std::int64_t offset, char *buffer, std::size_t length);
    // Reads exactly len bytes at offset. On false, readError() tells an error
    // of the file (its errno value) from a file that ended early (0).
    bool readFullyAt(std::int64_t offset, char *buffer, std::size_t length);
    int readError() const { return readError_; }
    // Where the first `size` bytes hold data, as [begin, end) runs in order;
    // the rest are holes, which read as zeros. One run of the whole size
    // where the file system reports no holes.
    std::vector<std::pair<std::int64_t, std::int64_t>> dataRuns(std::int64_t size) const;
    // True when the open file still has the expected size and times. With
    // `fromServer`, a share or a user-space file system is asked afresh, not
    // its attribute cache, which may not know yet of a change on the server.
    bool unchangedSince(const FileIdentity &expected, bool fromServer = false) const;
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
    int readError_ = 0;
};
