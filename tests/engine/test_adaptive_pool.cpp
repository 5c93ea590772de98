// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/AdaptivePool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace
{

// Items taken one at a time by the pool's threads. At item `k` of `changes`,
// the count of threads that may work changes (under the task's lock, as the
// item is taken), and the thread that took it holds on to it until every
// other thread numbered below the new count (and `most`) has taken an item
// since: proof that they were started or woken. Meanwhile each takes one
// item at most, so that none runs on past the next change.
class CountedTask
{
public:
    CountedTask(unsigned most, std::size_t items, std::map<std::size_t, unsigned> changes, unsigned active = 1)
        : items_(items), most_(most), changes_(std::move(changes)), active_(active),
          pool_([this] { return active_.load(); }, most, [this](unsigned t) { work(t); })
    {
    }

    // The owner: supervises until every item is done, then stops the threads.
    void run(const std::function<bool(std::size_t)> &wanted)
    {
        {
            std::unique_lock lock(mutex_);
            AdaptivePool::superviseUntil(
                lock, wake_, [&] { pool_.adjust(wanted); }, [this] { return done_ == items_; });
            stopping_ = true;
            pool_.wakeParked();
            more_.notify_all();
        }
        pool_.join();
    }

    std::vector<unsigned> takenBy; // the thread that took each item
    unsigned started() const { return pool_.started(); }
    bool allSeen = true; // every change saw its threads at work

private:
    void work(unsigned thread)
    {
        for (;;) {
            std::unique_lock lock(mutex_);
            if (stopping_)
                return;
            if (pool_.parks(lock, thread))
                continue;
            if (next_ == items_ || (holding_ && takesOf_[thread] > before_[thread])) {
                more_.wait(lock); // one item each while a thread holds on
                continue;
            }
            const std::size_t k = next_++;
            takenBy.push_back(thread);
            ++takesOf_[thread];
            more_.notify_all();
            if (const auto change = changes_.find(k); change != changes_.end())
                holdUntilSeen(lock, thread, change->second);
            if (++done_ == items_)
                wake_.notify_all();
        }
    }

    void holdUntilSeen(std::unique_lock<std::mutex> &lock, unsigned holder, unsigned count)
    {
        active_ = count;
        before_ = takesOf_;
        holding_ = true;
        wake_.notify_all(); // the owner looks now rather than within kLookAgain
        allSeen = more_.wait_for(lock, std::chrono::seconds(10), [&] {
            for (unsigned t = 0; t < std::min(count, most_); ++t)
                if (t != holder && takesOf_[t] == before_[t])
                    return false;
            return true;
        }) && allSeen;
        holding_ = false;
        more_.notify_all();
    }

    const std::size_t items_;
    const unsigned most_;
    const std::map<std::size_t, unsigned> changes_;
    std::atomic<unsigned> active_;
    std::mutex mutex_;
    std::condition_variable wake_, more_;
    std::size_t next_ = 0, done_ = 0;
    std::vector<std::size_t> takesOf_ = std::vector<std::size_t>(most_); // by each thread
    std::vector<std::size_t> before_;                                    // when the hold began
    bool holding_ = false;
    bool stopping_ = false;
    AdaptivePool pool_;
};

std::set<unsigned> ThreadsOf(const std::vector<unsigned> &takenBy, std::size_t from, std::size_t to)
{
    return {takenBy.begin() + std::ptrdiff_t(from), takenBy.begin() + std::ptrdiff_t(to)};
}

} // namespace

TEST(AdaptivePool, FollowsTheCountUpAndDownAndWakesTheParkedWhenItRisesAgain)
{
    // Up to 5 wanted, 3 at most; down to 1; up to 3 again.
    CountedTask task(3, 300, {{100, 5}, {150, 1}, {200, 3}});
    task.run([](std::size_t) { return true; });
    ASSERT_EQ(task.takenBy.size(), 300u);
    EXPECT_TRUE(task.allSeen);
    EXPECT_EQ(task.started(), 3u);                                     // never more than `most`, and none started twice
    EXPECT_EQ(ThreadsOf(task.takenBy, 0, 100), std::set<unsigned>{0}); // one until more were wanted
    EXPECT_EQ(ThreadsOf(task.takenBy, 151, 200), std::set<unsigned>{0}); // threads beyond the count park
    EXPECT_EQ(ThreadsOf(task.takenBy, 200, 300).size(), 3u);             // woken, not started again
}

TEST(AdaptivePool, StartsAThreadOnlyWhenWorkWaitsForIt)
{
    CountedTask task(8, 200, {}, 6);
    task.run([](std::size_t started) { return started < 2; });
    EXPECT_EQ(task.started(), 2u);
    EXPECT_EQ(task.takenBy.size(), 200u);
}
