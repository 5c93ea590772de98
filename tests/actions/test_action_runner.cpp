// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The runner on its own: order, batches, tally, Stop and giving up, with
// actions the test steers, and deletion of real files in a folder of its own.
#include "actions/ActionRunner.h"
#include "actions/DeleteAction.h"
#include "platform/FileStatus.h"
#include "tests/support/StuckCall.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{

// Gives each file the verdict its path names ("done-5": done, 5 bytes;
// "gone"; "left-3": left for reason 3; "left"), as many files as the test
// lets it, and can hold one file until released or throw at one. Set up
// before the run starts; outlives the run's thread.
class SteeredAction
{
public:
    FileVerdict apply(const ActionFile &file)
    {
        int call = 0;
        {
            std::unique_lock lock(mutex_);
            waiting_ = int(applied_.size());
            turn_.wait(lock, [&] { return int(applied_.size()) < allowed_; });
            waiting_ = -1;
            call = int(applied_.size());
            applied_.push_back(file.path);
        }
        if (call == throwAt)
            throw std::bad_alloc();
        if (call == holdAt)
            stuck.hold();
        if (file.path.starts_with("done-"))
            return {FileVerdict::Done, -1, std::stoll(file.path.substr(5))};
        if (file.path == "gone")
            return {FileVerdict::Gone};
        if (file.path.starts_with("left-"))
            return {FileVerdict::Left, std::stoi(file.path.substr(5))};
        return {FileVerdict::Left};
    }
    // From now on, this many files in all.
    void allow(int files)
    {
        std::lock_guard lock(mutex_);
        allowed_ = files;
        turn_.notify_all();
    }
    // The number of the call waiting for its turn; -1 when none waits.
    int waiting()
    {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    std::vector<std::string> applied()
    {
        std::lock_guard lock(mutex_);
        return applied_;
    }

    StuckCall stuck;
    int holdAt = -1;
    int throwAt = -1;

private:
    std::mutex mutex_;
    std::condition_variable turn_;
    int allowed_ = std::numeric_limits<int>::max();
    int waiting_ = -1;
    std::vector<std::string> applied_;
};

// The run owns its action; the test keeps the steering.
class Steered : public FileAction
{
public:
    explicit Steered(SteeredAction &steer) : steer_(steer) { }
    FileVerdict apply(const ActionFile &file, const ActionContext &) override { return steer_.apply(file); }

private:
    SteeredAction &steer_;
};

ActionFile File(const std::string &path, int group, bool chosen, bool inProtectedFolder = false)
{
    return {path, {}, group, inProtectedFolder, chosen};
}

bool WaitFor(const std::function<bool()> &done)
{
    for (const auto until = std::chrono::steady_clock::now() + 30s; !done();)
        if (std::chrono::steady_clock::now() > until)
            return false;
        else
            std::this_thread::sleep_for(1ms);
    return true;
}

// Takes batches until the run is over; every outcome, in the order given.
struct Taken {
    std::vector<std::size_t> files;
    ActionBatch last;
    int batches = 0;
};
Taken TakeToEnd(ActionRunner &runner)
{
    Taken taken;
    for (const auto until = std::chrono::steady_clock::now() + 30s;
         !taken.last.finished && std::chrono::steady_clock::now() < until;) {
        runner.waitForOutcomes(ActionRunner::kBatchInterval);
        taken.last = runner.take();
        ++taken.batches;
        for (const ActionOutcome &outcome : taken.last.outcomes)
            taken.files.push_back(outcome.file);
    }
    return taken;
}

class Runner : public ::testing::Test
{
protected:
    SteeredAction steer;
    ActionRunner runner;
    std::atomic<int> wakes{0};

    void SetUp() override
    {
        runner.setWake([this] { ++wakes; });
    }
    void TearDown() override
    {
        steer.stuck.release();
        steer.allow(std::numeric_limits<int>::max());
        EXPECT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
    }
    void start(std::vector<ActionFile> files)
    {
        ASSERT_TRUE(runner.start(std::move(files), std::make_unique<Steered>(steer)));
    }
    // `count` files of one verdict, each in a group of its own.
    static std::vector<ActionFile> Files(int count, const std::string &verdict)
    {
        std::vector<ActionFile> files;
        for (int i = 0; i < count; ++i)
            files.push_back(File(verdict, i, true));
        return files;
    }
};

} // namespace

TEST_F(Runner, ActsOnTheChosenFilesLastFirstAndTalliesEveryVerdict)
{
    start({File("done-5", 1, true), File("kept", 1, false), File("gone", 1, true), File("left-3", 2, true),
           File("held", 2, true, true), File("left", 2, true), File("done-7", 3, true), File("other", 3, false)});
    const Taken taken = TakeToEnd(runner);
    ASSERT_TRUE(taken.last.finished);
    EXPECT_EQ(taken.files, (std::vector<std::size_t>{6, 5, 4, 3, 2, 0}));
    // A file judged to be in a protected folder never reaches the action.
    EXPECT_EQ(steer.applied(), (std::vector<std::string>{"done-7", "left", "left-3", "gone", "done-5"}));
    const ActionTally &tally = taken.last.tally;
    EXPECT_EQ(tally.done, 2);
    EXPECT_EQ(tally.releasedBytes, 12);
    EXPECT_EQ(tally.left, 2);
    EXPECT_EQ(tally.leftFor, (std::map<int, int>{{3, 1}}));
    EXPECT_EQ(tally.inProtectedFolders, 1);
    EXPECT_TRUE(tally.failure.empty());
    EXPECT_EQ(taken.last.handled, 6u);
    EXPECT_EQ(taken.last.total, 6u);
    EXPECT_FALSE(runner.isRunning());
    EXPECT_GE(wakes.load(), 1);
    EXPECT_LE(wakes.load(), taken.batches);

    // Nothing chosen: nothing starts, and the runner says it is done.
    EXPECT_FALSE(runner.start({File("kept", 1, false)}, std::make_unique<Steered>(steer)));
    EXPECT_FALSE(runner.isRunning());
    EXPECT_TRUE(runner.take().finished);
    EXPECT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
}

TEST_F(Runner, OutcomesWaitAsOneBatchAndWakeTheOwnerOncePerBatch)
{
    steer.allow(3); // three files, then the fourth waits
    start(Files(8, "done-1"));
    ASSERT_TRUE(WaitFor([&] { return steer.waiting() == 3; }));
    const ActionBatch first = runner.take();
    EXPECT_EQ(wakes.load(), 1);
    ASSERT_EQ(first.outcomes.size(), 3u);
    EXPECT_EQ(first.outcomes[0].file, 7u);
    EXPECT_EQ(first.outcomes[2].file, 5u);
    EXPECT_EQ(first.tally.done, 3);
    EXPECT_EQ(first.handled, 3u);
    EXPECT_FALSE(first.finished);
    EXPECT_FALSE(runner.waitForOutcomes(30ms)); // nothing more until the action goes on

    steer.allow(8);
    const Taken rest = TakeToEnd(runner);
    EXPECT_EQ(rest.files, (std::vector<std::size_t>{4, 3, 2, 1, 0}));
    EXPECT_EQ(rest.last.tally.done, 8);
    EXPECT_EQ(rest.last.tally.releasedBytes, 8);
    EXPECT_GE(wakes.load(), 2);
}

TEST_F(Runner, StopEndsTheRunAfterTheFileInHand)
{
    steer.holdAt = 2;
    start(Files(6, "done-10"));
    ASSERT_TRUE(WaitFor([&] { return steer.stuck.holdsThread(); }));
    runner.stop();
    ASSERT_TRUE(runner.giveUpAt().has_value());
    steer.stuck.release(); // back well within the wait
    const Taken taken = TakeToEnd(runner);
    EXPECT_EQ(taken.files, (std::vector<std::size_t>{5, 4, 3}));
    EXPECT_EQ(taken.last.tally.done, 3);
    EXPECT_EQ(taken.last.tally.left, 0);
    EXPECT_EQ(steer.applied().size(), 3u);
    EXPECT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
}

TEST_F(Runner, StopGivesUpOnAStuckFileOnceTheWaitIsOver)
{
    steer.holdAt = 2;
    start(Files(6, "done-10"));
    ASSERT_TRUE(WaitFor([&] { return steer.stuck.holdsThread(); }));
    const auto stoppedAt = ActionRunner::Clock::now();
    runner.stop();
    const Taken taken = TakeToEnd(runner);
    const auto waited = ActionRunner::Clock::now() - stoppedAt;
    EXPECT_GE(waited, ActionRunner::kStopWait);
    EXPECT_LT(waited, 3 * ActionRunner::kStopWait); // and room for a busy machine
    ASSERT_TRUE(taken.last.finished);
    EXPECT_EQ(taken.files, (std::vector<std::size_t>{5, 4}));
    EXPECT_EQ(taken.last.tally.done, 2);
    EXPECT_EQ(taken.last.tally.left, 1); // the file in hand, whatever becomes of it
    EXPECT_FALSE(runner.isRunning());
    EXPECT_FALSE(runner.workersEnded());

    // What the given-up thread does later reaches nobody.
    const int wakesBefore = wakes.load();
    steer.stuck.release();
    ASSERT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
    EXPECT_EQ(wakes.load(), wakesBefore);
    EXPECT_TRUE(runner.take().outcomes.empty());
}

TEST_F(Runner, AnErrorEndsTheRunAndTheFilesNotReachedAreLeft)
{
    steer.throwAt = 1;
    start(Files(5, "done-4"));
    const Taken taken = TakeToEnd(runner);
    EXPECT_EQ(taken.files, std::vector<std::size_t>{4});
    EXPECT_EQ(taken.last.tally.failure, "not enough memory");
    EXPECT_EQ(taken.last.tally.done, 1);
    EXPECT_EQ(taken.last.tally.left, 4);
    EXPECT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
}

TEST_F(Runner, AbandonGivesWhatCameAndNothingAfter)
{
    steer.holdAt = 1;
    start(Files(4, "done-1"));
    ASSERT_TRUE(WaitFor([&] { return steer.stuck.holdsThread(); }));
    const ActionBatch last = runner.abandon();
    ASSERT_EQ(last.outcomes.size(), 1u);
    EXPECT_EQ(last.outcomes[0].file, 3u);
    EXPECT_FALSE(runner.isRunning());
    steer.stuck.release();
    ASSERT_TRUE(WaitFor([&] { return runner.workersEnded(); }));
    EXPECT_EQ(steer.applied().size(), 2u); // Stop reached the thread: the rest never began
}

// Deleting for good in a folder of the test's own: the copy a group keeps
// stays, one whose kept copy vanished is left, and a file in a folder
// protected since its description was made is asked again and left.
TEST(RunnerOnFiles, DeletesTheChosenCopiesAndLeavesWhatTheChecksForbid)
{
    TempTree tree;
    const auto file = [&](const std::string &relative, int group, bool chosen) {
        const std::string path = tree.write(relative, "same " + std::to_string(group));
        return ActionFile{path, StatPathNoFollow(path).identity, group, false, chosen};
    };
    std::vector<ActionFile> files
        = {file("a/1", 1, true),     file("a/2", 1, true),    file("a/keep", 1, false), file("b/1", 2, true),
           file("b/keep", 2, false), file("safe/1", 3, true), file("c/keep", 3, false)};
    fs::remove(tree.path("b/keep")); // group 2 keeps nothing now
    ActionRunner runner;
    runner.setProtectedFolders(
        std::make_shared<const ProtectedFolderList>(ProtectedFolderList{1, {tree.path("safe")}}));
    ASSERT_TRUE(runner.start(files, std::make_unique<DeleteAction>(false)));
    const ActionTally tally = TakeToEnd(runner).last.tally;
    EXPECT_EQ(tally.done, 2);
    EXPECT_EQ(tally.releasedBytes, 2 * 6);
    EXPECT_EQ(tally.left, 1);
    EXPECT_EQ(tally.inProtectedFolders, 1);
    EXPECT_FALSE(PathExists(tree.path("a/1")));
    EXPECT_FALSE(PathExists(tree.path("a/2")));
    for (const char *stays : {"a/keep", "b/1", "safe/1", "c/keep"})
        EXPECT_EQ(tree.read(stays).substr(0, 4), "same") << stays;
    // Nothing but the files themselves changed: no hidden name is left behind.
    for (const auto &entry : fs::recursive_directory_iterator(tree.root()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".varnok")) << entry.path();
}
