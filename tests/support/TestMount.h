// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <sched.h>
#include <string>
#include <sys/mount.h>

// A mount made for one test, seen by this process only and taken away when
// the object goes. Needs root; made() says whether it is there.
class TestMount
{
public:
    // A fresh tmpfs at `where`; given `bindFrom`, that folder again at `where`.
    explicit TestMount(std::string where, const std::string &bindFrom = {}) : where_(std::move(where))
    {
        if (!ownNamespace())
            return;
        made_ = bindFrom.empty() ? ::mount("varnok-test", where_.c_str(), "tmpfs", 0, "size=64m,mode=0755") == 0
                                 : ::mount(bindFrom.c_str(), where_.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~TestMount()
    {
        if (made_)
            ::umount2(where_.c_str(), MNT_DETACH);
    }
    TestMount(const TestMount &) = delete;
    TestMount &operator=(const TestMount &) = delete;

    bool made() const { return made_; }

    // A mount namespace of the test's own, so that nothing it mounts shows
    // elsewhere or outlives it.
    static bool ownNamespace()
    {
        static const bool own
            = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return own;
    }

protected:
    // A mount another way made at `where`, taken away the same way.
    struct Made {
        bool there;
    };
    TestMount(std::string where, Made made) : where_(std::move(where)), made_(made.there) { }

private:
    std::string where_;
    bool made_ = false;
};
