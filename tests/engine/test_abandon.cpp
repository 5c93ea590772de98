// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The end of a scan job while a thread of it is stuck: the job is left behind
// and its gate lets nothing more through.
#include "engine/HostGate.h"
#include "engine/uScanThread_Short.h"
#include "tests/support/FuseMount.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/StuckCall.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace
{

// Waits up to a minute for done() to hold.
bool WaitFor(const std::function<bool()> &done)
{
    for (int turn = 0; turn < 60000 && !done(); ++turn)
        std::this_thread::sleep_for(1ms);
    return done();
}

// What a host has been told, to see that nothing more arrives.
struct Told {
    std::size_t rows, labels;
    int summaries, maximum, position;
    bool operator==(const Told &) const = default;
};
Told TellingsOf(const RecordingHost &host)
{
    return {host.rows.size(), host.labels.size(), host.summaries, host.maximum, host.position};
}

} // namespace

TEST(HostGate, ClosingWaitsForTheCallInProgressThenLetsNothingThrough)
{
    RecordingHost recording;
    StuckCall stuck;
    std::atomic<bool> rowReturned{false};
    recording.onRow = [&](const ResultRow &) {
        stuck.hold();
        rowReturned.store(true);
    };
    CallGate calls;
    HostGate gate(recording, calls);
    gate.setProgressMaximum(5);
    EXPECT_FALSE(gate.stopFlag());
    std::thread caller([&] { gate.addResultRow({}); });
    ASSERT_TRUE(WaitFor([&] { return stuck.holdsThread(); }));
    std::atomic<bool> returnedBeforeClose{false};
    std::thread closer([&] {
        EXPECT_TRUE(calls.close());
        returnedBeforeClose.store(rowReturned.load());
    });
    std::this_thread::sleep_for(20ms); // time for a close that does not wait to show it
    stuck.release();
    caller.join();
    closer.join();
    EXPECT_TRUE(returnedBeforeClose);

    // Closed: reads answer as after Stop, operations and callbacks reach nobody.
    EXPECT_FALSE(calls.close());
    recording.filter = "*.txt";
    EXPECT_TRUE(gate.stopFlag());
    EXPECT_EQ(gate.filterText(), "");
    const Told before = TellingsOf(recording);
    gate.setProgressMaximum(9);
    gate.setProgressPosition(3);
    gate.setElapsedText("00:00:01");
    gate.addResultRow({});
    gate.showSummary({1, 0, 0});
    bool ran = false;
    EXPECT_FALSE(calls.pass([&] { ran = true; }));
    EXPECT_FALSE(calls.closeWith([&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(TellingsOf(recording), before);
}

TEST(Abandon, AJobWithAStuckReaderIsLeftBehindAtOnceAndFreesItselfWhenItsThreadEnds)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    tree.writeCopies("same", {"src/stuck", "src/twin"});
    tree.writePairs("src/pairs", 3);
    tree.mkdir("mnt");
    FuseMount::Options options;
    options.hangRead = "stuck";
    auto mount = std::make_unique<FuseMount>(tree.path("src"), tree.path("mnt"), options);
    ASSERT_TRUE(mount->mounted());
    RecordingHost recording;
    // Only the job holds `inJob`, so it goes with the job.
    auto inJob = std::make_shared<int>();
    const std::weak_ptr<int> jobAlive = inJob;
    auto finishedRan = std::make_shared<std::atomic<bool>>(false);
    auto job = std::make_unique<TScanThread_Short>(
        recording, std::vector<std::string>{tree.path("mnt")}, false, [inJob](std::int64_t) {},
        [finishedRan] { finishedRan->store(true); });
    inJob.reset();
    ASSERT_TRUE(WaitFor([&] { return mount->hanging(); })); // the reader of "stuck" waits for its answer
    ASSERT_FALSE(finishedRan->load());

    recording.stop.store(true);
    const auto pressed = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(TScanThread_Short::kStopGrace);
    EXPECT_TRUE(job->Abandon());
    job.reset(); // must not wait for the stuck thread
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, 500ms);
    const Told before = TellingsOf(recording);

    mount.reset(); // the read fails at last, and the job goes on to its end
    ASSERT_TRUE(WaitFor([&] { return jobAlive.expired(); }));
    EXPECT_EQ(TellingsOf(recording), before);
    EXPECT_FALSE(finishedRan->load());
}

TEST(Abandon, AJobThatEndedOnItsOwnIsNotAbandoned)
{
    TempTree tree;
    tree.writePairs("pairs", 2);
    RecordingHost recording;
    int finished = 0;
    TScanThread_Short job(recording, {tree.path("pairs")}, false, {}, [&] { ++finished; });
    ASSERT_TRUE(WaitFor([&] { return job.Finished(); }));
    EXPECT_FALSE(job.Abandon()); // its own end was told: the owner must not tell another
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(recording.summaries, 1);
    EXPECT_EQ(recording.summaryGroups, 2);
}
