// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/TestMount.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

// A folder shown again at another place through a user-space passthrough
// file system (bindfs): the same files on another device with other inode
// numbers. In the test's own mount namespace; needs root and bindfs.
class FuseAliasMount : public TestMount
{
public:
    FuseAliasMount(const std::string &from, const std::string &where) : TestMount(where, Made{mount(from, where)}) { }

private:
    static bool mount(const std::string &from, const std::string &where)
    {
        if (::geteuid() != 0 || !ownNamespace())
            return false;
        return std::system(("bindfs '" + from + "' '" + where + "' 2>/dev/null").c_str()) == 0;
    }
};
