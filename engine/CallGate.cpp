// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CallGate.h"

bool CallGate::enter()
{
    // Counted in before the closed bit is looked at, so that close() cannot
    // miss a call that got through.
    if ((state_.fetch_add(1) & kClosed) == 0)
        return true;
    leave();
    return false;
}

void CallGate::leave()
{
    if (state_.fetch_sub(1) - 1 == kClosed)
        state_.notify_all(); // the last call in progress has returned
}

bool CallGate::close()
{
    if (state_.fetch_or(kClosed) & kClosed)
        return false;
    for (std::uint32_t now = state_.load(); now != kClosed; now = state_.load())
        state_.wait(now);
    return true;
}

bool CallGate::closeWith(const std::function<void()> &last)
{
    if (!close())
        return false;
    if (last)
        last();
    return true;
}
