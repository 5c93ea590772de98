// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// Lowers the soft open-file limit and takes all but a few of the
// descriptors under it, for as long as it lives.
class ScarceDescriptors
{
public:
    ScarceDescriptors(rlim_t limit, int leaveFree)
    {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            held_.push_back(fd);
        giveBack(leaveFree);
    }
    ~ScarceDescriptors()
    {
        giveBack(int(held_.size()));
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    // Lets `count` more of the held descriptors go, as another thread would.
    void giveBack(int count)
    {
        for (int k = 0; k < count && !held_.empty(); ++k) {
            ::close(held_.back());
            held_.pop_back();
        }
    }

private:
    rlimit saved_{};
    std::vector<int> held_;
};
