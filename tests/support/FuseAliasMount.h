// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "TestMount.h"

#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

// A folder shown again at another place through a user-space passthrough
// file system (bindfs): the same files on another device with other inode
// numbers. In the test's own mount namespace; needs root and bindfs.
class FuseAliasMount {
public:
    FuseAliasMount(const std::string &from, std::string where) : where_(std::move(where))
    {
        if (::geteuid() != 0 || !TestMount::ownNamespace())
            return;
        made_ = std::system(("bindfs '" + from + "' '" + where_ + "' 2>/dev/null").c_str()) == 0;
    }
    ~FuseAliasMount()
    {
        if (made_)
            ::umount2(where_.c_str(), MNT_DETACH);
    }
    FuseAliasMount(const FuseAliasMount &) = delete;
    FuseAliasMount &operator=(const FuseAliasMount &) = delete;

    bool made() const { return made_; }

private:
    std::string where_;
    bool made_ = false;
};
