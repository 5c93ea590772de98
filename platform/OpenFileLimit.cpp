// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/OpenFileLimit.h"

#include <cerrno>
#include <chrono>
#include <sys/resource.h>
#include <thread>

namespace
{
std::size_t AsCount(rlim_t value)
{
    // Unlimited or huge: plenty for any scan, and still a sane number to divide.
    constexpr rlim_t kPlenty = 1 << 20;
    return std::size_t(value == RLIM_INFINITY || value > kPlenty ? kPlenty : value);
}
} // namespace

std::size_t RaiseOpenFileLimit()
{
    rlimit lim;
    if (::getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return 1024;
    if (lim.rlim_cur < lim.rlim_max) {
        rlimit raised = lim;
        raised.rlim_cur = lim.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            lim = raised;
    }
    return AsCount(lim.rlim_cur);
}

std::size_t OpenFileLimit()
{
    rlimit lim;
    return ::getrlimit(RLIMIT_NOFILE, &lim) == 0 ? AsCount(lim.rlim_cur) : 1024;
}

bool IsOutOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

int RetryWhileOutOfDescriptors(const std::function<int()> &attempt, const std::function<void()> &beforeWait)
{
    constexpr int kTries = 200;
    for (int tried = 0;; ++tried) {
        const int error = attempt();
        if (!IsOutOfDescriptors(error) || tried == kTries)
            return error;
        if (beforeWait)
            beforeWait();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int OpenWaitingForDescriptors(const std::function<int()> &open, const std::function<void()> &beforeWait)
{
    int fd = -1;
    const int error = RetryWhileOutOfDescriptors(
        [&] {
            fd = open();
            return fd >= 0 ? 0 : errno;
        },
        beforeWait);
    errno = error;
    return fd;
}
