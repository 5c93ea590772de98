// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/OpenFileBudget.h"

#include <algorithm>

namespace
{
// Long enough not to spin, short enough that Stop is seen at once.
constexpr auto kPollCancel = std::chrono::milliseconds(20);
} // namespace

OpenFileBudget::OpenFileBudget(std::size_t slots) : capacity_(std::max<std::size_t>(slots, 1)), free_(capacity_)
{
}

std::size_t OpenFileBudget::slotsUnder(std::size_t limit)
{
    const std::size_t reserve = std::max<std::size_t>(64, limit / 8);
    return limit > 2 * reserve ? limit - reserve : std::max<std::size_t>(limit / 2, 1);
}

std::size_t OpenFileBudget::acquireUpTo(std::size_t wanted, const std::function<bool()> &cancelled)
{
    wanted = std::max<std::size_t>(wanted, 1);
    std::unique_lock lock(mutex_);
    while (free_ == 0) {
        if (cancelled && cancelled())
            return 0;
        released_.wait_for(lock, kPollCancel);
    }
    if (cancelled && cancelled())
        return 0;
    const std::size_t taken = std::min(wanted, free_);
    free_ -= taken;
    return taken;
}

void OpenFileBudget::release(std::size_t count)
{
    if (count == 0)
        return;
    {
        std::lock_guard lock(mutex_);
        free_ = std::min(capacity_, free_ + count);
        ++releases_;
    }
    released_.notify_all();
}

void OpenFileBudget::waitForRelease(std::chrono::milliseconds most)
{
    std::unique_lock lock(mutex_);
    const auto seen = releases_;
    released_.wait_for(lock, most, [&] { return releases_ != seen; });
}
