// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/ActionRunner.h"
#include "actions/KeptCopyGuard.h"
#include "boundary/ProtectedFolders.h"
#include "boundary/ScanBoundary.h"
#include "engine/ScanTexts.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>

// One run, shared by the owner and its thread. The owner only reads the
// files and the order; the outcomes travel under the mutex. A run given up
// has its gate closed, so its thread wakes nobody any more.
struct ActionRunner::Run {
    std::vector<ActionFile> files;
    std::vector<std::size_t> order; // the chosen files, last first
    KeptCopyGuard guard;
    std::unique_ptr<FileAction> action;
    std::shared_ptr<const std::vector<SystemTree>> trees;
    std::shared_ptr<const ProtectedFolderList> protectedFolders;
    std::function<void()> wake;
    std::atomic<bool> stop{false};
    CallGate *gate = nullptr; // its thread's: closed when the owner lets the run go

    std::mutex mutex; // guards the members below
    std::condition_variable arrived;
    std::vector<ActionOutcome> pending;
    bool done = false;
    bool wakeSent = false;
    std::string failure;

    // Worker side: hands over one outcome (or the end), and wakes the owner
    // once per batch: the owner takes what has come since, not one by one.
    void report(std::optional<ActionOutcome> outcome)
    {
        bool wakeNow = false;
        {
            std::lock_guard lock(mutex);
            if (outcome)
                pending.push_back(std::move(*outcome));
            else
                done = true;
            wakeNow = !wakeSent;
            wakeSent = true;
        }
        if (wakeNow || !outcome)
            arrived.notify_all();
        if (wakeNow && wake)
            gate->run(wake);
    }
    // An error ended the run: the files not reached stay as they are, and
    // the owner learns why.
    void reportFailure(const std::exception_ptr &error) noexcept
    {
        try {
            {
                std::lock_guard lock(mutex);
                failure = FailureReason(error);
            }
            report(std::nullopt);
        } catch (...) {
            // Not even that could be said (memory ran out): the owner's wait gives up after Stop.
        }
    }
};

// Only the thread is let go of: what it holds lives on with it.
ActionRunner::~ActionRunner()
{
    if (run_)
        letGo();
}

void ActionRunner::setSystemTrees(std::vector<SystemTree> trees)
{
    trees_ = std::make_shared<const std::vector<SystemTree>>(std::move(trees));
}

bool ActionRunner::start(std::vector<ActionFile> files, std::unique_ptr<FileAction> action)
{
    if (run_)
        letGo();
    tally_ = {};
    handled_ = 0;
    stoppedAt_.reset();
    auto run = std::make_shared<Run>();
    for (std::size_t i = files.size(); i-- > 0;)
        if (files[i].chosen)
            run->order.push_back(i);
    if (run->order.empty())
        return false;
    run->guard = KeptCopyGuard(files);
    run->files = std::move(files);
    run->action = std::move(action);
    run->trees = trees_;
    run->protectedFolders = protected_;
    run->wake = wake_;
    std::erase_if(threads_, [](const LeavableThread &old) { return old.ended(); });
    threads_.emplace_back();
    run->gate = &threads_.back().gate();
    run_ = run;
    threads_.back().start(run, &ActionRunner::work);
    return true;
}

// The thread's whole life. The boundary and the protected folders are built
// here: building them reads the mount table, the system trees and the folders.
void ActionRunner::work(Run &run) noexcept
{
    try {
        ScanBoundary boundary(run.trees ? *run.trees : StandardTrees());
        ProtectedFolders protectedFolders(run.protectedFolders ? run.protectedFolders->paths
                                                               : std::vector<std::string>{});
        const ActionContext context{boundary, protectedFolders, run.guard, &run.stop};
        std::map<const ActionFile *, std::size_t> pending; // files whose verdict comes later, and their places
        const auto settle = [&](bool last) {
            for (const SettledFile &settled : run.action->settle(context, last)) {
                const auto found = pending.find(settled.file);
                if (found == pending.end())
                    continue;
                run.report(ActionOutcome{found->second, settled.verdict});
                pending.erase(found);
            }
        };
        for (std::size_t i = 0; i < run.order.size() && !run.stop.load(); ++i) {
            const ActionFile &file = run.files[run.order[i]];
            const FileVerdict verdict = file.inProtectedFolder ? FileVerdict{FileVerdict::InProtectedFolder}
                                                               : run.action->apply(file, context);
            if (verdict.kind == FileVerdict::Pending)
                pending.emplace(&file, run.order[i]);
            else
                run.report(ActionOutcome{run.order[i], verdict});
            settle(false);
        }
        settle(true);
        for (const auto &[file, place] : pending) // never settled: as they were
            run.report(ActionOutcome{place, FileVerdict{FileVerdict::Left}});
        run.report(std::nullopt);
    } catch (...) {
        run.reportFailure(std::current_exception());
    }
}

void ActionRunner::stop()
{
    if (!run_)
        return;
    run_->stop.store(true);
    if (!stoppedAt_)
        stoppedAt_ = Clock::now();
}

std::optional<ActionRunner::Clock::time_point> ActionRunner::giveUpAt() const
{
    if (!run_ || !stoppedAt_)
        return std::nullopt;
    return *stoppedAt_ + kStopWait;
}

bool ActionRunner::waitForOutcomes(std::chrono::milliseconds most)
{
    if (!run_)
        return true;
    auto until = Clock::now() + most;
    if (const auto giveUp = giveUpAt())
        until = std::min(until, *giveUp);
    std::unique_lock lock(run_->mutex);
    return run_->arrived.wait_until(lock, until, [this] { return !run_->pending.empty() || run_->done; })
        || (stoppedAt_ && Clock::now() >= *stoppedAt_ + kStopWait);
}

ActionBatch ActionRunner::take()
{
    ActionBatch batch;
    if (!run_) {
        batch.tally = tally_;
        batch.finished = true;
        return batch;
    }
    const bool done = gathered(batch);
    const bool givenUp = !done && stoppedAt_ && Clock::now() >= *stoppedAt_ + kStopWait;
    // Stop was pressed and the file in hand has not come back: the owner
    // stops waiting for it. It stays as it is, whatever becomes of it.
    if (givenUp && handled_ < run_->order.size())
        ++tally_.left;
    batch.tally = tally_;
    batch.finished = done || givenUp;
    if (batch.finished)
        letGo();
    return batch;
}

ActionBatch ActionRunner::abandon()
{
    ActionBatch batch;
    if (run_) {
        gathered(batch); // what went is told, so the owner's list and the disk agree
        batch.tally = tally_;
        letGo();
    }
    return batch;
}

// Takes the outcomes come so far into the batch and the tally; true when
// the thread has handed over its last.
bool ActionRunner::gathered(ActionBatch &batch)
{
    bool done = false;
    {
        std::lock_guard lock(run_->mutex);
        batch.outcomes.swap(run_->pending);
        done = run_->done;
        run_->wakeSent = false;
        tally_.failure = run_->failure;
        run_->action->note(tally_);
    }
    for (const ActionOutcome &outcome : batch.outcomes) {
        const FileVerdict &verdict = outcome.verdict;
        switch (verdict.kind) {
        case FileVerdict::Done:
        case FileVerdict::Joined:
            ++tally_.done;
            tally_.releasedBytes += verdict.bytes;
            tally_.releasedAtMost = tally_.releasedAtMost || (verdict.bytesAtMost && verdict.bytes > 0);
            if (verdict.reason >= 0)
                ++tally_.doneFor[verdict.reason];
            break;
        case FileVerdict::Gone:    // nothing to show for it, nothing to keep
        case FileVerdict::Pending: // never handed over
            break;
        case FileVerdict::InProtectedFolder:
            ++tally_.inProtectedFolders;
            break;
        case FileVerdict::Left:
            ++tally_.left;
            if (verdict.reason >= 0)
                ++tally_.leftFor[verdict.reason];
            break;
        }
    }
    handled_ += batch.outcomes.size();
    if (done && !tally_.failure.empty())
        tally_.left += int(run_->order.size() - handled_); // never reached: they stay as they are
    batch.handled = handled_;
    batch.total = run_->order.size();
    return done;
}

// The run in hand is the last one started; its thread goes on alone.
void ActionRunner::letGo()
{
    run_->stop.store(true);
    threads_.back().leave();
    run_.reset();
    stoppedAt_.reset();
}

bool ActionRunner::workersEnded() const
{
    return std::all_of(threads_.begin(), threads_.end(), [](const LeavableThread &t) { return t.ended(); });
}
