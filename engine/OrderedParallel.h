// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/WorkerThreads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

// Workers of one kind for RunOrderedParallel: those that read one kind of
// storage, say. They take only the items of their lane.
struct WorkerLane {
    unsigned workers = 1;                // threads at most
    std::function<unsigned()> active;    // how many of them may work now
    std::size_t lookahead = 1;           // how far past the next item to consume they may run
    std::vector<std::size_t> first = {}; // taken before the lane's others, in that order, whatever the lookahead
};

// Runs produce(k, worker) for k = 0 .. count-1 on worker threads and hands each
// result to consume(k, result) on the calling thread in ascending k, so the
// outcome does not depend on timing. consume returns false to stop early;
// workers then finish their current item and the rest is skipped. An
// exception on either side stops every worker, joins them all, and is
// rethrown to the caller.
// Item k belongs to lane laneOf[k] (lane 0 for all when laneOf is empty).
// A lane's workers are numbered after those of the lanes before it; of its
// `workers`, active() says how many may work now: they are started only once
// wanted, and those beyond it wait. They run at most `lookahead` items ahead
// of consume, which bounds the memory held. The items in `first` are taken
// before the lane's others: a long item taken last would keep the others
// waiting at the end while one worker finishes it.
template <typename T>
void RunOrderedParallel(std::size_t count, const std::vector<WorkerLane> &lanes, const std::vector<unsigned> &laneOf,
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
    std::size_t nextToConsume = 0, waitingAhead = 0;
    std::vector<bool> taken(count);
    struct LaneState {
        std::vector<std::size_t> items; // ascending
        std::size_t nextToTake = 0, nextFirst = 0;
        unsigned started = 0, lastActive = 0, firstWorker = 0;
    };
    std::vector<LaneState> state(lanes.size());
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned lane = laneOf.empty() ? 0 : laneOf[k];
        if (lane >= state.size())
            throw std::invalid_argument("an item of no lane"); // nobody would ever produce it
        state[lane].items.push_back(k);
    }
    for (std::size_t l = 1; l < lanes.size(); ++l)
        state[l].firstWorker = state[l - 1].firstWorker + std::max(1u, lanes[l - 1].workers);
    const auto inLane = [&](std::size_t k, std::size_t lane) {
        return k < count && (laneOf.empty() ? lane == 0 : laneOf[k] == lane);
    };
    bool stopping = false;
    std::exception_ptr failure;

    auto wakeAll = [&] {
        resultIn.notify_all();
        ahead.notify_all();
        parked.notify_all();
    };
    // The lane's next item, or none when it has none left.
    auto nextOf = [&](std::size_t l) -> std::optional<std::size_t> {
        LaneState &s = state[l];
        const auto &first = lanes[l].first;
        while (s.nextFirst < first.size() && (!inLane(first[s.nextFirst], l) || taken[first[s.nextFirst]]))
            ++s.nextFirst; // nonsense in the list is passed over
        if (s.nextFirst < first.size())
            return first[s.nextFirst];
        while (s.nextToTake < s.items.size() && taken[s.items[s.nextToTake]])
            ++s.nextToTake;
        if (s.nextToTake < s.items.size())
            return s.items[s.nextToTake];
        return std::nullopt;
    };
    auto work = [&](std::size_t l, unsigned local) {
        const WorkerLane &lane = lanes[l];
        for (;;) {
            std::size_t k;
            {
                std::unique_lock lock(mutex);
                for (;;) {
                    const auto next = stopping ? std::nullopt : nextOf(l);
                    if (!next)
                        return;
                    const bool outOfTurn = state[l].nextFirst < lane.first.size();
                    if (local >= lane.active()) {
                        parked.wait(lock);
                    } else if (!outOfTurn && *next >= nextToConsume + lane.lookahead) {
                        ++waitingAhead;
                        ahead.wait(lock);
                        --waitingAhead;
                    } else {
                        k = *next;
                        break;
                    }
                }
                taken[k] = true;
            }
            try {
                T result = produce(k, state[l].firstWorker + local);
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
        WorkerPool pool;
        // Declared after the pool, so it runs first on every way out: the
        // workers are told to stop before the pool joins them.
        struct StopOnExit {
            decltype(stopAll) &stop;
            ~StopOnExit() { stop(); }
        } stopOnExit{stopAll};
        // active() changes without telling anyone: the consumer looks again
        // this often while it waits, to start or wake the workers wanted.
        constexpr auto kLookAgain = std::chrono::milliseconds(20);
        auto startWanted = [&] {
            for (std::size_t l = 0; l < lanes.size(); ++l) {
                LaneState &s = state[l];
                const unsigned now = std::max(1u, lanes[l].active());
                if (now > s.lastActive)
                    parked.notify_all();
                s.lastActive = now;
                const std::size_t wanted = std::min<std::size_t>({std::max(1u, lanes[l].workers), now, s.items.size()});
                for (; s.started < wanted; ++s.started)
                    pool.start(work, l, s.started);
            }
        };
        while (nextToConsume < count) {
            T item;
            {
                std::unique_lock lock(mutex);
                for (;;) {
                    if (failure)
                        break;
                    startWanted();
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

// One lane of workers over all the items.
template <typename T>
void RunOrderedParallel(std::size_t count, unsigned workers, const std::function<unsigned()> &active,
                        std::size_t lookahead, const std::vector<std::size_t> &first,
                        const std::function<T(std::size_t, unsigned)> &produce,
                        const std::function<bool(std::size_t, T &)> &consume)
{
    RunOrderedParallel<T>(count, {WorkerLane{workers, active, lookahead, first}}, {}, produce, consume);
}
