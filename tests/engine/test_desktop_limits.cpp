// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The scan under the conditions of a user's desktop: a low open-file limit,
// more readers than cores, Stop pressed during a long comparison, and
// failures on any of the scan's threads.
#include "engine/ContentGrouper.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScanFixture.h"
#include "tests/support/ScarceDescriptors.h"

#include <chrono>
#include <stdexcept>
#include <thread>

using V = std::vector<std::string>;

namespace
{

// A host whose Stop is pressed once the comparison has read a given amount.
class StopAfterBytes : public RecordingHost
{
public:
    const ScanStats *stats = nullptr;
    std::uint64_t after = 0;
    int rowsFirst = 0; // rows that must have arrived before Stop, however busy the machine
    std::atomic<std::uint64_t> stoppedAt{0};
    bool stopFlag() override
    {
        if (!stop && stats && stats->bytesRead.load() >= after) {
            // Holds the reader that got this far until the rows asked for have
            // come, for a second at most: they cannot come when their size
            // waits behind this one on the same reader.
            for (int wait = 0; arrived_ < rowsFirst && wait < 100; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            stoppedAt = stats->bytesRead.load();
            stop = true;
        }
        return stop.load();
    }
    void addResultRow(ResultRow row) override
    {
        RecordingHost::addResultRow(std::move(row));
        ++arrived_;
    }

private:
    std::atomic<int> arrived_{0};
};

// A host that fails whenever a thread other than the job's own reads Stop:
// the first thread to read it is the job's.
class FailsOffTheJobThread : public RecordingHost
{
public:
    bool stopFlag() override
    {
        std::lock_guard lock(mutex_);
        if (jobThread_ == std::thread::id())
            jobThread_ = std::this_thread::get_id();
        else if (jobThread_ != std::this_thread::get_id())
            throw std::runtime_error("injected failure");
        return false;
    }

private:
    std::mutex mutex_;
    std::thread::id jobThread_;
};

void runToEnd(ScanHost &host, const std::vector<std::string> &folders, bool measureFirst, unsigned readers = 0)
{
    TScanThread_Short::EstimateReady estimate;
    if (measureFirst)
        estimate = [](std::int64_t) {};
    TScanThread_Short job(host, folders, true, estimate);
    job.setReaderThreads(readers);
    job.Start();
    job.WaitFor();
    EXPECT_TRUE(job.Finished());
}

// Rows as "group#path", to compare two scans of one tree.
std::vector<std::string> groupedPaths(const RecordingHost &host)
{
    std::vector<std::string> out;
    for (const auto &r : host.rows)
        out.push_back(std::to_string(r.group) + "#" + r.path);
    return out;
}

} // namespace

using DesktopLimits = ScanFixture;

TEST_F(DesktopLimits, ManyReadersUnderALowOpenFileLimitFindEveryCopy)
{
    // 16 sizes of 250 files, three contents per size.
    for (int s = 0; s < 16; ++s)
        for (int k = 0; k < 250; ++k)
            tree.write("s" + std::to_string(s) + "/f" + std::to_string(k),
                       RandomBytes(std::size_t(100 + s), unsigned(s * 3 + k % 3)));
    const std::vector<std::string> folders{tree.root()};
    RecordingHost unlimited;
    runToEnd(unlimited, folders, true, 8);
    ASSERT_EQ(unlimited.rows.size(), 4000u);

    RecordingHost scarce;
    {
        // Eight readers, and fewer descriptors free than readers: opens fail
        // with EMFILE again and again, and must be waited out.
        ScarceDescriptors limit(256, 3);
        runToEnd(scarce, folders, false, 8);
    }
    ASSERT_EQ(groupedPaths(scarce), groupedPaths(unlimited));
    EXPECT_EQ(scarce.summaryGroups, 48);
    EXPECT_EQ(scarce.summaryUnread, 0); // a shortage of descriptors is no fault of a file
}

TEST_F(DesktopLimits, SetsAlikePastTheirProbesKeepEveryGroupUnderALowLimit)
{
    // 12 sizes of 50 pairs each. The pairs of a size share their head, middle
    // and tail and differ only between them, so every file of a size stays
    // open until late, and eight readers together want more descriptors than
    // the limit leaves; opens fail with EMFILE and must be waited out.
    constexpr std::size_t kSize = 24 * 1024;
    for (int s = 0; s < 12; ++s) {
        const std::string base = RandomBytes(kSize + std::size_t(s), unsigned(s));
        for (int p = 0; p < 50; ++p) {
            std::string content = base;
            content.replace(5000, 4, std::string(reinterpret_cast<const char *>(&p), 4));
            for (auto copy : {"a", "b"})
                tree.write("s" + std::to_string(s) + "/" + std::to_string(p) + copy, content);
        }
    }
    const std::vector<std::string> folders{tree.root()};
    RecordingHost unlimited;
    runToEnd(unlimited, folders, false, 8);
    ASSERT_EQ(unlimited.rows.size(), 1200u);
    // A desktop's 1,024 scaled to the tree, first alone, then with most of it
    // held elsewhere in the process. Which files lose the race for a
    // descriptor differs from run to run.
    for (int leaveFree : {256, 6})
        for (int run = 0; run < 20; ++run) {
            RecordingHost scarce;
            {
                ScarceDescriptors limit(256, leaveFree);
                runToEnd(scarce, folders, false, 8);
            }
            ASSERT_EQ(groupedPaths(scarce), groupedPaths(unlimited)) << leaveFree << " free, run " << run;
            EXPECT_EQ(scarce.summaryUnread, 0);
        }
}

TEST_F(DesktopLimits, StopDuringALargeComparisonEndsWithinABlockAndKeepsFinishedSizes)
{
    tree.writeCopies("small pair", {"a1", "a2"});
    for (auto n : {"z1", "z2"})
        tree.writeZeros(n, 64LL << 20);
    // A spinning disk is read in larger pieces; Stop is seen after one all the same.
    for (bool spinning : {false, true}) {
        StopAfterBytes host;
        host.after = 8u << 20;
        host.rowsFirst = 2; // the pair's reader may be late on a loaded machine
        TScanThread_Short job(host, {tree.root()}, true);
        host.stats = &job.Stats();
        job.setReaderThreads(3);
        job.setRotationalStorage(spinning);
        job.Start();
        job.WaitFor();
        // Stop is seen within one block of reading, not after the whole size.
        const std::uint64_t piece = spinning ? kRotationalReads.longest : 2u << 20;
        EXPECT_LT(job.Stats().bytesRead.load(), host.stoppedAt + piece) << spinning;
        // The half-compared size is dropped whole; the pair, finished before
        // Stop unless it waited behind the large size, keeps its rows; the
        // summary counts what is listed.
        const V listed = rows(host);
        EXPECT_TRUE(listed.empty() || listed == (V{"1:a1", "1:a2"})) << spinning;
        EXPECT_EQ(host.summaries, 1);
        EXPECT_EQ(host.summaryGroups, int(listed.size() / 2));
        EXPECT_EQ(host.summaryRows, int(listed.size()));
    }
}

TEST_F(DesktopLimits, SizesFinishedBeforeStopStayEvenBehindOneStillBeingRead)
{
    // 64 copies of 2 MiB take long, on a reader of their own; one later
    // pair is done early by another.
    for (int k = 0; k < 64; ++k)
        tree.writeZeros("slow/" + std::to_string(k), 2LL << 20);
    for (auto n : {"quick1", "quick2"})
        tree.writeZeros(n, (2LL << 20) + 1);
    StopAfterBytes host;
    host.after = 120u << 20; // the pair's 4 MiB are long read by then
    TScanThread_Short job(host, {tree.root()}, true);
    host.stats = &job.Stats();
    job.setReaderThreads(2);
    job.Start();
    job.WaitFor();
    EXPECT_EQ(rows(host), (V{"1:quick1", "1:quick2"}));
    EXPECT_EQ(host.summaryGroups, 1);
}

TEST_F(DesktopLimits, AFailureOnAnyScanThreadEndsTheJobKeepingItsRows)
{
    tree.writePairs("pairs", 40);
    tree.write("sub/deeper/x", "x");
    const std::vector<std::string> folders{tree.root()};
    // On the folder-listing threads, then on the reader threads.
    for (bool measureFirst : {true, false}) {
        FailsOffTheJobThread host;
        runToEnd(host, folders, measureFirst, 4);
        ASSERT_EQ(host.summaries, 1) << measureFirst;
        EXPECT_TRUE(host.lastSummary.endedEarly) << measureFirst;
        EXPECT_EQ(host.lastSummary.failure, "an internal fault");
    }
    // On the side that takes the readers' results in: rows so far stay, and
    // the group the third row began is not counted as found.
    RecordingHost host;
    host.onRow = [&](const ResultRow &) {
        if (host.rows.size() == 3)
            throw std::runtime_error("injected failure");
    };
    runToEnd(host, folders, true, 4);
    EXPECT_EQ(host.rows.size(), 3u);
    ASSERT_EQ(host.summaries, 1);
    EXPECT_TRUE(host.lastSummary.endedEarly);
    EXPECT_EQ(host.lastSummary.groups, 1);
}
