// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/WorkerThreads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <utility>

// Threads of one task whose number follows a count that changes without
// telling anyone: how many requests a storage rewards in flight
// (DepthControl), say. The task's owner supervises from its wait: each time
// it looks, it starts the threads wanted and wakes those parked if the count
// rose; a thread numbered at or beyond the count parks until then. A thread
// is started only once wanted, so a fast disk never starts the threads it
// would not use.
// Everything but the constructor runs under the task's own mutex, held by
// the caller. The task tells its threads to stop before join(), or before
// the pool goes, which joins them too.
class AdaptivePool
{
public:
    // Neither the count nor the task's Stop tells anyone when it changes:
    // the owner looks again this often while it waits.
    static constexpr std::chrono::milliseconds kLookAgain{20};

    // Thread n runs body(n), for n = 0, 1, ...: at most `most` of them, and
    // fewer than active() (at least one) at a time.
    AdaptivePool(std::function<unsigned()> active, unsigned most, std::function<void(unsigned)> body)
        : active_(std::move(active)), most_(std::max(1u, most)), body_(std::move(body))
    {
    }

    // The owner, looking: starts threads while one more would find work
    // (`wanted(started())`), and wakes the parked ones when some of them may
    // work now. Threads park only when numbered at or beyond the count, so
    // some may work when more are parked than are so numbered now: also when
    // the count fell and rose again between two looks.
    template <class Wanted>
    void adjust(Wanted wanted)
    {
        const unsigned now = std::max(1u, active_());
        if (parked_ > started_ - std::min(now, started_))
            wakeParked();
        while (started_ < std::min(most_, now) && wanted(std::size_t(started_)))
            threads_.start(body_, started_++);
    }

    // The owner's wait until done(): it adjusts the pools (adjust()) each
    // time it looks, woken through `wake` or after kLookAgain.
    template <class Adjust, class Done>
    static void superviseUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &wake, Adjust adjust,
                               Done done)
    {
        while (!done()) {
            adjust();
            wake.wait_for(lock, kLookAgain);
        }
    }

    // A thread, before it takes work: false when `thread` may work now;
    // otherwise it waits until woken and says true, and the thread looks at
    // the task again.
    bool parks(std::unique_lock<std::mutex> &lock, unsigned thread)
    {
        if (thread < active_())
            return false;
        ++parked_;
        unpark_.wait(lock);
        --parked_;
        return true;
    }

    // Wakes the parked threads, to stop, say.
    void wakeParked() { unpark_.notify_all(); }
    unsigned started() const { return started_; }
    // Waits for the threads, once they were told to stop; without the lock.
    void join() { threads_.join(); }

private:
    const std::function<unsigned()> active_;
    const unsigned most_;
    const std::function<void(unsigned)> body_;
    std::condition_variable unpark_;
    unsigned started_ = 0, parked_ = 0;
    WorkerPool threads_; // last: joined before the rest goes
};
