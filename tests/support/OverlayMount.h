// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/TestMount.h"

#include <string>
#include <sys/mount.h>
#include <unistd.h>

// An overlay of the folder `lower` with the folders `upper` and `work` (on
// one file system, empty) at `where`, in the test's own mount namespace.
// Needs root.
class OverlayMount : public TestMount
{
public:
    OverlayMount(const std::string &lower, const std::string &upper, const std::string &work, const std::string &where)
        : TestMount(where, Made{mount(lower, upper, work, where)})
    {
    }

private:
    static bool mount(const std::string &lower, const std::string &upper, const std::string &work,
                      const std::string &where)
    {
        if (::geteuid() != 0 || !ownNamespace())
            return false;
        const std::string options = "lowerdir=" + lower + ",upperdir=" + upper + ",workdir=" + work;
        return ::mount("overlay", where.c_str(), "overlay", 0, options.c_str()) == 0;
    }
};
