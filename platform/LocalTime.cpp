// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/LocalTime.h"

#include <cstdio>
#include <ctime>

std::string LocalTimeText(std::int64_t mtimeNs)
{
    std::int64_t seconds = mtimeNs / 1000000000;
    if (mtimeNs < 0 && mtimeNs % 1000000000 != 0)
        --seconds; // floor, so a time just before the epoch is its own second
    time_t t = static_cast<time_t>(seconds);
    struct tm local {
    };
    if (!::localtime_r(&t, &local))
        return std::string(19, ' ');
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(text).substr(0, 19);
}

std::int64_t MonotonicMs()
{
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
