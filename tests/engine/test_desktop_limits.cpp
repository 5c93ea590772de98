// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The scan under the conditions of a user's desktop: a low open-file limit,
// more readers than cores, Stop pressed during a long comparison, and
// failures on any of the scan's threads.
#include "ContentGrouper.h"
#include "RandomBytes.h"
#include "ScanFixture.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using V = std::vector<std::string>;

namespace
{

// Lowers the soft open-file limit and takes all but a few of the
// descriptors under it, for as long as it lives.
class ScarceDescriptors
{
public:
    ScarceDescriptors(rlim_t limit, int leaveFree)
    {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            held_.push_back(fd);
        for (int k = 0; k < leaveFree && !held_.empty(); ++k) {
            ::close(held_.back());
            held_.pop_back();
        }
    }
    ~ScarceDescriptors()
    {
        for (int fd : held_)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }

private:
    rlimit saved_{};
    std::vector<int> held_;
};

// A host whose Stop is pressed once the comparison has read a given amount.
class StopAfterBytes : public RecordingHost
{
public:
    const ScanStats *stats = nullptr;
    std::uint64_t after = 0;
    bool stopFlag() override
    {
        if (stats && stats->bytesRead.load() >= after)
            stop = true;
        return stop.load();
    }
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
    ASSERT_EQ(scarce.rows.size(), unlimited.rows.size());
    for (std::size_t r = 0; r < scarce.rows.size(); ++r)
        ASSERT_EQ(scarce.rows[r].path + "#" + std::to_string(scarce.rows[r].group),
                  unlimited.rows[r].path + "#" + std::to_string(unlimited.rows[r].group));
    EXPECT_EQ(scarce.summaryGroups, 48);
    EXPECT_EQ(scarce.summaryUnread, 0); // a shortage of descriptors is no fault of a file
}

TEST_F(DesktopLimits, StopDuringALargeComparisonEndsWithinABlockAndKeepsFinishedSizes)
{
    tree.write("a1", "small pair");
    tree.write("a2", "small pair");
    for (auto n : {"z1", "z2"})
        tree.writeZeros(n, 64LL << 20);
    // A spinning disk is read in larger pieces; Stop is seen after one all the same.
    for (bool spinning : {false, true}) {
        StopAfterBytes host;
        host.after = 8u << 20;
        TScanThread_Short job(host, {tree.root()}, true);
        host.stats = &job.Stats();
        job.setReaderThreads(3);
        job.setRotationalStorage(spinning);
        job.Start();
        job.WaitFor();
        // Stop is seen within one block of reading, not after the whole size.
        const std::uint64_t piece = spinning ? ContentGrouper::kRotationalReads.longest : 2u << 20;
        EXPECT_LT(job.Stats().bytesRead.load(), host.after + piece) << spinning;
        // The finished size keeps its rows and is counted; the half-compared one is dropped whole.
        EXPECT_EQ(rows(host), (V{"1:a1", "1:a2"})) << spinning;
        EXPECT_EQ(host.summaries, 1);
        EXPECT_EQ(host.summaryGroups, 1);
        EXPECT_EQ(host.summaryRows, 2);
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
