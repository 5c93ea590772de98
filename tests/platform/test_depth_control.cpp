// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/DepthControl.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace std::chrono;

namespace
{

// A storage answering on a fake clock: every request takes `latency`, and at
// most `capacity` requests a second get answered, however many are in flight.
struct FakeStorage {
    nanoseconds latency;
    double capacity = 1e12;
    unsigned work = ~0u; // requests there are to ask at once, whatever the depth
    steady_clock::time_point now{};

    // Runs as many requests as the control's depth allows until `count` were
    // answered, each reported when it is answered.
    void serve(DepthControl &control, int count)
    {
        for (int k = 0; k < count; ++k) {
            const unsigned depth = std::min(control.depth(), work);
            // Little's law: with `depth` in flight the answers come this often,
            // and each waits the longer once the storage is saturated.
            const double rate = std::min(depth / duration<double>(latency).count(), capacity);
            const auto waited = std::max(latency, duration_cast<nanoseconds>(duration<double>(depth / rate)));
            now += duration_cast<nanoseconds>(duration<double>(1.0 / rate));
            control.record(waited);
        }
    }
    DepthControl::Clock clock()
    {
        return [this] { return now; };
    }
};

} // namespace

TEST(DepthControl, GrowsToTheMostWhileEveryAnswerIsARoundTrip)
{
    FakeStorage share{milliseconds(2)};
    DepthControl control({4, 4, 64}, share.clock());
    share.serve(control, 100);
    EXPECT_GT(control.depth(), 4u);
    share.serve(control, 20000);
    EXPECT_EQ(control.depth(), 64u);
    EXPECT_EQ(control.most(), 64u);
}

TEST(DepthControl, StaysSmallOnFastLocalFilesAndFallsBackWhenAnswersTurnFast)
{
    FakeStorage cache{microseconds(5)};
    DepthControl local({4, 4, 64}, cache.clock());
    cache.serve(local, 100000);
    EXPECT_EQ(local.depth(), 4u);

    // A share starts deep; once its answers come from memory it needs no depth.
    DepthControl share(DepthControl::forStorage(true, 4), cache.clock());
    EXPECT_EQ(share.depth(), DepthControl::kRemoteStart);
    cache.serve(share, 100000);
    EXPECT_EQ(share.depth(), 4u);
}

TEST(DepthControl, StopsGrowingWhereTheStorageIsSaturated)
{
    // 2 ms per request but only 4,000 answers a second: 8 in flight is all it
    // rewards; deeper queues only wait longer.
    FakeStorage disk{milliseconds(2), 4000};
    DepthControl control({2, 2, 64}, disk.clock());
    for (int round = 0; round < 50; ++round) {
        disk.serve(control, 1000);
        EXPECT_LE(control.depth(), 16u);
    }
    EXPECT_GE(control.depth(), 8u);
}

TEST(DepthControl, DoesNotDeepenWhileTooLittleWorkFillsTheDepth)
{
    // Slow answers, but only 4 requests to ask at a time, then a rising
    // number of them: a rate that rises with the work is no reason to deepen.
    FakeStorage share{milliseconds(2), 1e12, 4};
    DepthControl control(DepthControl::forStorage(true, 2), share.clock());
    for (unsigned work : {4u, 6u, 8u, 10u}) {
        share.work = work;
        for (int round = 0; round < 20; ++round) {
            share.serve(control, 500);
            ASSERT_EQ(control.depth(), DepthControl::kRemoteStart) << work << " requests at a time";
        }
    }
    share.work = 1000; // now the depth is full: it grows
    share.serve(control, 20000);
    EXPECT_EQ(control.depth(), DepthControl::kDeepest);
}

TEST(DepthControl, AChosenDepthAndTheBoundsHold)
{
    FakeStorage share{milliseconds(10)};
    DepthControl fixed({3, 3, 3}, share.clock());
    share.serve(fixed, 10000);
    EXPECT_EQ(fixed.depth(), 3u);

    DepthControl odd({0, 100, 8}, share.clock()); // nonsense in, sense out
    EXPECT_EQ(odd.depth(), 8u);
    DepthControl inverted({6, 1, 2}, share.clock());
    EXPECT_EQ(inverted.depth(), 6u);
    EXPECT_EQ(inverted.most(), 6u);
    DepthControl::Range local = DepthControl::forStorage(false, 4);
    EXPECT_EQ(local.start, 4u);
    EXPECT_GT(local.most, local.start);

    // timed() reports what the clock says the request took: one window of
    // slow answers at depth 1 makes it 2.
    DepthControl timed({1, 1, 4}, share.clock());
    for (int k = 0; k < 64; ++k)
        ASSERT_EQ(timed.timed([&] {
            share.now += milliseconds(3);
            return k;
        }),
                  k);
    EXPECT_EQ(timed.depth(), 2u);

    // Requests timed together count one by one, slow when they were on average.
    DepthControl batched({1, 1, 4}, share.clock());
    share.now += milliseconds(192);
    batched.record(milliseconds(192), 64);
    EXPECT_EQ(batched.depth(), 2u);
    DepthControl quick({2, 2, 4}, share.clock());
    quick.record(microseconds(64), 64);
    EXPECT_EQ(quick.depth(), 2u);
}
