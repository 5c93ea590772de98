// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/OrderedParallel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>

TEST(OrderedParallel, OnlyTheActiveWorkersRunResultsComeInOrderAndLongItemsStartFirst)
{
    std::atomic<unsigned> active{1};
    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::set<unsigned> workers;
    std::vector<std::size_t> consumed;
    RunOrderedParallel<std::size_t>(
        300, 8, [&] { return active.load(); }, 16, {},
        [&](std::size_t k, unsigned worker) {
            {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
                workers.insert(worker);
            }
            if (k == 100)
                active = 4; // the storage turned out slow
            if (k == 200)
                active = 2; // and fast again: workers 2 and 3 wait
            return k * k;
        },
        [&](std::size_t k, std::size_t &square) {
            EXPECT_EQ(square, k * k);
            consumed.push_back(k);
            return true;
        });
    ASSERT_EQ(consumed.size(), 300u);
    for (std::size_t k = 0; k < consumed.size(); ++k)
        ASSERT_EQ(consumed[k], k);
    // Never more threads than were wanted at once.
    EXPECT_LE(threads.size(), 4u);
    EXPECT_LE(*workers.rbegin(), 3u);

    // One active worker: one thread does it all, however many are allowed.
    threads.clear();
    RunOrderedParallel<int>(
        50, 8, [] { return 1u; }, 16, {},
        [&](std::size_t, unsigned) {
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
            return 0;
        },
        [](std::size_t, int &) { return true; });
    EXPECT_EQ(threads.size(), 1u);

    // Long items first, past the lookahead, each once; the results still come in order.
    std::vector<std::size_t> produced;
    consumed.clear();
    RunOrderedParallel<std::size_t>(
        10, 4, [] { return 1u; }, 2, {7, 3, 7, 99},
        [&](std::size_t k, unsigned) {
            produced.push_back(k);
            return k;
        },
        [&](std::size_t k, std::size_t &item) {
            EXPECT_EQ(item, k);
            consumed.push_back(k);
            return true;
        });
    EXPECT_EQ(produced, (std::vector<std::size_t>{7, 3, 0, 1, 2, 4, 5, 6, 8, 9}));
    EXPECT_EQ(consumed, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}
