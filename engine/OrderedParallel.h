// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Runs produce(k, worker) for k = 0 .. count-1 on worker threads and hands each
// result to consume(k, result) on the calling thread in ascending k, so the
// outcome does not depend on timing. consume returns false to stop early;
// workers then finish their current item and the rest is skipped. Workers run
// at most `lookahead` items ahead of consume, which bounds the memory held.
// An exception on either side stops every worker, joins them all, and is
// rethrown to the caller.
// Of at most `workers` threads, active() says how many may work now: they are
// started only once wanted, and those numbered beyond it wait.
// The items in `first` are taken before all others, in that order and
// whatever the lookahead: a long item taken last would keep the others
// waiting at the end while one worker finishes it.
template <typename T>
void RunOrderedParallel(std::size_t count, unsigned workers, const std::function<unsigned()> &active,
                        std::size_t lookahead, const std::vector<std::size_t> &first,
                        const std::function<T(std::size_t, unsigned)> &produce,
                        const std::function<bool(std::size_t, T &)> &consume)
{
    // Each side is woken only for what it waits on: with many workers, one
    // broadcast per item would cost more than the items.
    std::mutex mutex;
    std::condition_variable resultIn; // the consumer, for the next item in order
    std::condition_variable ahead;    // workers that ran `lookahead` items ahead
    std::condition_variable parked;   // workers numbered beyond active()
    std::vector<std::optional<T>> results(count);
    std::size_t nextToTake = 0, nextToConsume = 0, waitingAhead = 0, nextFirst = 0;
    std::vector<bool> takenFirst(count);
    // Moves past the items already taken out of turn.
    auto skipTaken = [&] {
        while (nextToTake < count && takenFirst[nextToTake])
            ++nextToTake;
    };
    bool stopping = false;
    std::exception_ptr failure;

    auto wakeAll = [&] {
        resultIn.notify_all();
        ahead.notify_all();
        parked.notify_all();
    };
    auto work = [&](unsigned worker) {
        for (;;) {
            std::size_t k;
            {
                std::unique_lock lock(mutex);
                for (;;) {
                    while (nextFirst < first.size() && (first[nextFirst] >= count || takenFirst[first[nextFirst]]))
                        ++nextFirst; // nonsense in the list is passed over
                    skipTaken();
                    if (stopping || (nextToTake >= count && nextFirst == first.size()))
                        return;
                    if (worker >= active()) {
                        parked.wait(lock);
                    } else if (nextFirst < first.size()) {
                        break;
                    } else if (nextToTake >= nextToConsume + lookahead) {
                        ++waitingAhead;
                        ahead.wait(lock);
                        --waitingAhead;
                    } else {
                        break;
                    }
                }
                if (nextFirst < first.size()) {
                    k = first[nextFirst++];
                    takenFirst[k] = true;
                } else {
                    k = nextToTake++;
                }
            }
            try {
                T result = produce(k, worker);
                std::lock_guard lock(mutex);
                results[k].emplace(std::move(result));
                if (k == nextToConsume)
                    resultIn.notify_one();
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                stopping = true;
                wakeAll();
            }
        }
    };
    auto stopAll = [&] {
        std::lock_guard lock(mutex);
        stopping = true;
        wakeAll();
    };

    {
        std::vector<std::jthread> pool;
        // Declared after the pool, so it runs first on every way out: the
        // workers are told to stop before the pool joins them.
        struct StopOnExit {
            decltype(stopAll) &stop;
            ~StopOnExit() { stop(); }
        } stopOnExit{stopAll};
        const auto wanted = [&] {
            return std::min<std::size_t>({std::max(1u, workers), std::max(1u, active()), count});
        };
        // active() changes without telling anyone: the consumer looks again
        // this often while it waits, to start or wake the workers wanted.
        constexpr auto kLookAgain = std::chrono::milliseconds(20);
        unsigned lastActive = 0;
        while (nextToConsume < count) {
            T item;
            {
                std::unique_lock lock(mutex);
                for (;;) {
                    if (failure)
                        break;
                    if (const unsigned now = active(); now != lastActive) {
                        if (now > lastActive)
                            parked.notify_all();
                        lastActive = now;
                    }
                    while (pool.size() < wanted())
                        pool.emplace_back(work, unsigned(pool.size()));
                    if (results[nextToConsume].has_value())
                        break;
                    resultIn.wait_for(lock, kLookAgain);
                }
                if (failure)
                    break;
                item = std::move(*results[nextToConsume]);
                results[nextToConsume].reset();
            }
            const bool goOn = consume(nextToConsume, item);
            {
                std::lock_guard lock(mutex);
                ++nextToConsume;
                if (waitingAhead > 0)
                    ahead.notify_all(); // rare with a long lookahead
            }
            if (!goOn)
                break;
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
