// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/DepthControl.h"

#include <algorithm>

namespace
{
// A deeper queue must raise the rate of answers by this much to be kept:
// below it the storage is serving all it can, and more requests only wait.
constexpr double kWorthwhileGain = 1.25;
// Growing is tried only while the requests in flight, by Little's law the
// rate of answers times their latency, fill this share of the depth: below
// it there is too little work to fill the depth, and a rising rate only
// means more work came within reach.
constexpr double kFilled = 0.7;
// After the storage was found saturated, windows to wait before trying again.
constexpr int kHoldWindows = 8;
} // namespace

namespace
{
DepthControl::Range ordered(DepthControl::Range r)
{
    r.least = std::max(r.least, 1u);
    r.most = std::max(r.most, r.least);
    r.start = std::clamp(r.start, r.least, r.most);
    return r;
}
} // namespace

DepthControl::DepthControl(Range range, Clock clock)
    : range_(ordered(range)), clock_(std::move(clock)), depth_(range_.start), window_(windowFor(range_.start)),
      windowStart_(clock_())
{
}

unsigned DepthControl::windowFor(unsigned depth) const
{
    // Several answers per request in flight, so that one window measures a
    // steady state rather than the threads starting up.
    return std::max(64u, 8 * depth);
}

void DepthControl::record(std::chrono::nanoseconds total, std::uint64_t answers)
{
    if (range_.least == range_.most || answers == 0)
        return; // nothing to decide
    waitedNs_.fetch_add(std::uint64_t(std::max<std::int64_t>(0, total.count())), std::memory_order_relaxed);
    if (total >= kSlowAnswer * answers)
        slow_.fetch_add(answers, std::memory_order_relaxed);
    if (samples_.fetch_add(answers, std::memory_order_relaxed) + answers >= window_.load(std::memory_order_relaxed))
        judgeWindow();
}

void DepthControl::judgeWindow()
{
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || samples_.load() < window_.load())
        return; // another thread is judging this window
    const std::uint64_t answers = samples_.exchange(0);
    const std::uint64_t slow = slow_.exchange(0);
    const double waited = double(waitedNs_.exchange(0)) * 1e-9;
    const auto now = clock_();
    const double seconds = std::max(std::chrono::duration<double>(now - windowStart_).count(), 1e-9);
    windowStart_ = now;
    const double rate = double(answers) / seconds;
    const double inFlight = waited / seconds;

    unsigned depth = depth_.load();
    if (slow * 2 >= answers) {
        if (grew_ && rate < lastRate_ * kWorthwhileGain) {
            depth = std::max(range_.least, depth / 2); // the last step bought nothing
            saturated_ = true;
            holdLeft_ = kHoldWindows;
            grew_ = false;
        } else if (saturated_ && holdLeft_ > 0) {
            --holdLeft_;
            grew_ = false;
        } else if (depth < range_.most && inFlight >= kFilled * depth) {
            depth = std::min(range_.most, depth * 2);
            grew_ = true;
        } else {
            grew_ = false;
        }
    } else if (slow * 8 < answers) {
        depth = std::max(range_.least, depth / 2); // answered from memory
        grew_ = saturated_ = false;
    } else {
        grew_ = false;
    }
    lastRate_ = rate;
    depth_.store(depth);
    window_.store(windowFor(depth));
}
