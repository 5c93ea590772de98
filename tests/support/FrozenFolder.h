// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A folder whose entries cannot be removed: immutable for root (who ignores
// permissions), read-only for anyone else. Undone when it goes.
class FrozenFolder
{
public:
    explicit FrozenFolder(std::string path) : path_(std::move(path))
    {
        if (::geteuid() == 0)
            immutable_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
        else
            ::chmod(path_.c_str(), 0555);
    }
    ~FrozenFolder()
    {
        if (immutable_ && std::system(("chattr -i '" + path_ + "'").c_str()) != 0)
            std::perror("chattr -i");
        ::chmod(path_.c_str(), 0755);
    }
    FrozenFolder(const FrozenFolder &) = delete;
    FrozenFolder &operator=(const FrozenFolder &) = delete;

    // Whether removal is really barred here (a probe cannot be created).
    bool holds() const
    {
        const std::string probe = path_ + "/.probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    }

private:
    std::string path_;
    bool immutable_ = false;
};
