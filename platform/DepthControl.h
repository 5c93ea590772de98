// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

// How many requests to keep in flight against one storage, judged by how
// long it takes to answer. A local disk answers from memory in microseconds
// and gains nothing from more threads; a network share or a user-space file
// system makes every call wait for a round trip, and there the number of
// requests in flight is what sets the pace. So the depth grows while most
// answers are slow and the rate of answers still rises with it, and falls
// back while they come fast. Safe to use from many threads at once.
class DepthControl
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    struct Range {
        unsigned least; // never fewer; also the depth on fast storage
        unsigned start;
        unsigned most;
        bool operator==(const Range &) const = default;
    };

    explicit DepthControl(Range range, Clock clock = std::chrono::steady_clock::now);
    // Starts at `few` on a local disk, where more threads only contend; a
    // network share or a user-space file system starts deeper. Either grows
    // while answers come slowly.
    static Range forStorage(bool remote, unsigned few) { return {few, remote ? kRemoteStart : few, kDeepest}; }

    unsigned depth() const { return depth_.load(std::memory_order_relaxed); }
    unsigned least() const { return range_.least; }
    unsigned most() const { return range_.most; }

    std::chrono::steady_clock::time_point now() const { return clock_(); }
    // One request answered after `latency`.
    void record(std::chrono::nanoseconds latency) { record(latency, 1); }
    // `answers` requests asked one after another, answered after `total`:
    // cheaper to time where each is quick.
    void record(std::chrono::nanoseconds total, std::uint64_t answers);
    // Runs one request and records how long it took.
    template <typename Request>
    auto timed(Request request)
    {
        const auto started = now();
        struct Record {
            DepthControl &self;
            std::chrono::steady_clock::time_point started;
            ~Record() { self.record(self.now() - started); }
        } record{*this, started};
        return request();
    }

    static constexpr unsigned kRemoteStart = 16;
    static constexpr unsigned kDeepest = 64;
    // An answer at least this slow came over a wire, or from a disk's platter.
    static constexpr std::chrono::microseconds kSlowAnswer{400};

private:
    void judgeWindow();
    unsigned windowFor(unsigned depth) const;

    const Range range_;
    const Clock clock_;
    std::atomic<unsigned> depth_;
    std::atomic<unsigned> window_;
    std::atomic<std::uint64_t> samples_{0};
    std::atomic<std::uint64_t> slow_{0};
    std::atomic<std::uint64_t> waitedNs_{0}; // summed over the window's answers

    std::mutex mutex_; // the judgement, once per window
    std::chrono::steady_clock::time_point windowStart_;
    double lastRate_ = 0;
    bool grew_ = false;
    bool saturated_ = false;
    int holdLeft_ = 0;
};
