// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "OpenFileLimit.h"

#include <cerrno>
#include <sys/resource.h>

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
