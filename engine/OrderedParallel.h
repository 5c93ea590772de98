// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/AdaptivePool.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

// Workers of one kind for RunOrderedParallel: those that read one kind of
// storage, say. They take only the items of their lane.
struct WorkerLane {
    unsigned workers = 1;                // threads at most
    std::function<unsigned()> active;    // how many of them may work now
    std::size_t lookahead = 1;           // how far past the next item to consume they may run
    std::vector<std::size_t> first = {}; // taken before the lane's others, in that order, whatever the lookahead
};

// RunOrderedParallel's state and steps.
template <typename T>
class OrderedRun
{
public:
    using Produce = std::function<T(std::size_t, unsigned)>;
    using Consume = std::function<bool(std::size_t, T &)>;

    OrderedRun(std::size_t count, const std::vector<WorkerLane> &lanes, const std::vector<unsigned> &laneOf,
               const Produce &produce, const Consume &consume)
        : count_(count), lanes_(lanes), laneOf_(laneOf), produce_(produce), consume_(consume), results_(count),
          taken_(count), state_(lanes.size())
    {
        sortIntoLanes();
        for (std::size_t l = 0; l < lanes_.size(); ++l)
            pools_.emplace_back([this, l] { return lanes_[l].active(); }, lanes_[l].workers,
                                [this, l](unsigned local) { work(l, local); });
    }

    void run()
    {
        {
            // On every way out, the workers are told to stop and joined.
            struct JoinOnExit {
                OrderedRun &run;
                ~JoinOnExit() { run.stopAndJoin(); }
            } joinOnExit{*this};
            consumeInOrder();
        }
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    struct LaneState {
        std::vector<std::size_t> items; // ascending
        std::size_t nextToTake = 0, nextFirst = 0;
        unsigned firstWorker = 0; // the number of its worker 0
    };

    void sortIntoLanes()
    {
        for (std::size_t k = 0; k < count_; ++k) {
            const unsigned lane = laneOf_.empty() ? 0 : laneOf_[k];
            if (lane >= state_.size())
                throw std::invalid_argument("an item of no lane"); // nobody would ever produce it
            state_[lane].items.push_back(k);
        }
        for (std::size_t l = 1; l < lanes_.size(); ++l)
            state_[l].firstWorker = state_[l - 1].firstWorker + std::max(1u, lanes_[l - 1].workers);
    }

    // The consumer: each result in turn, as soon as it is there.
    void consumeInOrder()
    {
        while (nextToConsume_ < count_) {
            std::optional<T> item = awaitNext();
            if (!item)
                return; // a worker failed
            const bool goOn = consume_(nextToConsume_, *item);
            {
                std::lock_guard lock(mutex_);
                ++nextToConsume_;
                if (waitingAhead_ > 0)
                    ahead_.notify_all(); // rare with a long lookahead
            }
            if (!goOn)
                return;
        }
    }

    // Waits for the next result in order, starting the workers wanted
    // meanwhile; nothing once a worker failed.
    std::optional<T> awaitNext()
    {
        std::unique_lock lock(mutex_);
        AdaptivePool::superviseUntil(
            lock, resultIn_,
            [this] {
                for (std::size_t l = 0; l < lanes_.size(); ++l)
                    pools_[l].adjust([&](std::size_t started) { return started < state_[l].items.size(); });
            },
            [this] { return failure_ || results_[nextToConsume_].has_value(); });
        if (failure_)
            return std::nullopt;
        std::optional<T> item = std::move(results_[nextToConsume_]);
        results_[nextToConsume_].reset();
        return item;
    }

    // A worker: takes its lane's items until none is left or all stop.
    void work(std::size_t l, unsigned local)
    {
        for (;;) {
            std::optional<std::size_t> k;
            {
                std::unique_lock lock(mutex_);
                k = take(l, local, lock);
            }
            if (!k)
                return;
            produce(l, local, *k);
        }
    }

    // The worker's next item, once it may work on it; none when the lane
    // has none left or all stop.
    std::optional<std::size_t> take(std::size_t l, unsigned local, std::unique_lock<std::mutex> &lock)
    {
        for (;;) {
            const auto next = stopping_ ? std::nullopt : nextOf(l);
            if (!next)
                return std::nullopt;
            if (pools_[l].parks(lock, local))
                continue;
            const bool outOfTurn = state_[l].nextFirst < lanes_[l].first.size();
            if (!outOfTurn && *next >= nextToConsume_ + lanes_[l].lookahead) {
                ++waitingAhead_;
                ahead_.wait(lock);
                --waitingAhead_;
                continue;
            }
            taken_[*next] = true;
            return next;
        }
    }

    // The lane's next item not taken: its `first` ones, then the rest.
    std::optional<std::size_t> nextOf(std::size_t l)
    {
        LaneState &s = state_[l];
        const auto &first = lanes_[l].first;
        while (s.nextFirst < first.size() && (!inLane(first[s.nextFirst], l) || taken_[first[s.nextFirst]]))
            ++s.nextFirst; // nonsense in the list is passed over
        if (s.nextFirst < first.size())
            return first[s.nextFirst];
        while (s.nextToTake < s.items.size() && taken_[s.items[s.nextToTake]])
            ++s.nextToTake;
        if (s.nextToTake < s.items.size())
            return s.items[s.nextToTake];
        return std::nullopt;
    }

    bool inLane(std::size_t k, std::size_t l) const
    {
        return k < count_ && (laneOf_.empty() ? l == 0 : laneOf_[k] == l);
    }

    void produce(std::size_t l, unsigned local, std::size_t k)
    {
        try {
            T result = produce_(k, state_[l].firstWorker + local);
            std::lock_guard lock(mutex_);
            results_[k].emplace(std::move(result));
            if (k == nextToConsume_)
                resultIn_.notify_one();
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_)
                failure_ = std::current_exception();
            stopping_ = true;
            wakeAll();
        }
    }

    // Each side is woken only for what it waits on: with many workers, one
    // broadcast per item would cost more than the items. Stopping wakes all.
    void wakeAll()
    {
        resultIn_.notify_all();
        ahead_.notify_all();
        for (AdaptivePool &pool : pools_)
            pool.wakeParked();
    }

    // Every worker of every lane is joined before any lane's pool goes: a
    // failing worker wakes them all.
    void stopAndJoin()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            wakeAll();
        }
        for (AdaptivePool &pool : pools_)
            pool.join();
    }

    const std::size_t count_;
    const std::vector<WorkerLane> &lanes_;
    const std::vector<unsigned> &laneOf_;
    const Produce &produce_;
    const Consume &consume_;

    std::mutex mutex_;
    std::condition_variable resultIn_; // the consumer, for the next item in order
    std::condition_variable ahead_;    // workers that ran `lookahead` items ahead
    std::vector<std::optional<T>> results_;
    std::vector<bool> taken_;
    std::vector<LaneState> state_;
    std::size_t nextToConsume_ = 0, waitingAhead_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::deque<AdaptivePool> pools_; // one a lane; last: it joins before the rest goes
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
// wanted, and those beyond it wait (an AdaptivePool a lane). They run at most
// `lookahead` items ahead of consume, which bounds the memory held. The items
// in `first` are taken before the lane's others: a long item taken last would
// keep the others waiting at the end while one worker finishes it.
template <typename T>
void RunOrderedParallel(std::size_t count, const std::vector<WorkerLane> &lanes, const std::vector<unsigned> &laneOf,
                        const std::function<T(std::size_t, unsigned)> &produce,
                        const std::function<bool(std::size_t, T &)> &consume)
{
    OrderedRun<T>(count, lanes, laneOf, produce, consume).run();
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
