// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/ActionRunner.h"
#include "engine/ScanTexts.h"
#include "platform/ProtectedFolders.h"
#include "platform/ScanBoundary.h"
#include "ui/KeptCopyGuard.h"
#include "ui/ResultModel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace
{

struct Item {
    int row;
    ActionFile file;
    bool inProtectedFolder; // as its row was judged
};

struct Result {
    std::size_t item;
    FileVerdict verdict;
};

} // namespace

// One run, shared by the window and its thread. The window only reads the
// items; the outcomes travel under the mutex. A run given up has its gate
// closed, so nothing it reports later reaches the window.
struct ActionRunner::Run {
    std::uint64_t serial = 0;
    std::vector<Item> items; // last row first
    KeptCopyGuard guard;
    std::unique_ptr<FileAction> action;
    std::shared_ptr<const std::vector<SystemTree>> trees;
    std::shared_ptr<const ProtectedFolderList> protectedFolders;
    std::atomic<bool> stop{false};
    ActionRunner *receiver = nullptr;
    CallGate *gate = nullptr; // its thread's: closed when the window gives the run up

    std::mutex mutex; // guards the members below
    std::vector<Result> pending;
    std::optional<std::int64_t> measured; // the action's own count of the bytes released
    bool done = false;
    bool wakePosted = false;
    std::string failure;

    // Worker side: hands over one outcome (or the end) and wakes the window
    // once per batch.
    void report(std::optional<Result> result)
    {
        std::lock_guard lock(mutex);
        if (result)
            pending.push_back(*result);
        else
            done = true;
        if (!wakePosted) {
            wakePosted = true;
            ActionRunner *to = receiver;
            const std::uint64_t of = serial;
            gate->pass([&] {
                QMetaObject::invokeMethod(
                    to, [to, of] { to->wake(of); }, Qt::QueuedConnection);
            });
        }
    }
    // An error ended the run: the files not reached keep their rows, and the
    // window says why.
    void reportFailure(const std::exception_ptr &error) noexcept
    {
        try {
            {
                std::lock_guard lock(mutex);
                failure = FailureReason(error);
            }
            report(std::nullopt);
        } catch (...) {
            // Not even that could be said (memory ran out): the window's wait for the end gives up.
        }
    }
};

ActionRunner::ActionRunner(ResultModel &model, QObject *parent)
    : QObject(parent), model_(model),
      remover_([](const std::string &path, const FileIdentity &seen, bool recycle, const RemovalChecks &checks) {
          return ShellDeleteFile(path, seen, recycle, checks);
      })
{
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kBatchMs);
    connect(&drainTimer_, &QTimer::timeout, this, &ActionRunner::drain);
    stopTimer_.setSingleShot(true);
    stopTimer_.setInterval(kStopWaitMs);
    connect(&stopTimer_, &QTimer::timeout, this, &ActionRunner::giveUp);
}

// The model may already be gone: only the thread is let go of.
ActionRunner::~ActionRunner()
{
    if (run_)
        letGo();
}

void ActionRunner::setSystemTrees(std::vector<SystemTree> trees)
{
    trees_ = std::make_shared<const std::vector<SystemTree>>(std::move(trees));
}

void ActionRunner::start(std::vector<int> rows, bool recycle)
{
    start(std::move(rows), std::make_unique<DeleteAction>(recycle, remover_));
}

void ActionRunner::start(std::vector<int> rows, std::unique_ptr<FileAction> action)
{
    std::sort(rows.begin(), rows.end());
    tally_ = {};
    handled_ = 0;
    if (rows.empty()) {
        emit finished(tally_);
        return;
    }
    auto run = std::make_shared<Run>();
    run->serial = ++serial_;
    run->guard = KeptCopyGuard(model_, rows);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        const ResultRow &file = model_.row(*row);
        run->items.push_back({*row, {file.path, file.identity, file.group}, file.inProtectedFolder});
    }
    run->action = std::move(action);
    run->trees = trees_;
    run->protectedFolders = protected_;
    run->receiver = this;
    std::erase_if(threads_, [](const LeavableThread &old) { return old.ended(); });
    threads_.emplace_back();
    run->gate = &threads_.back().gate();
    run_ = run;
    threads_.back().start(run, &ActionRunner::work);
}

// The thread's whole life. The boundary and the protected folders are built
// here: building them reads the mount table, the system trees and the folders.
void ActionRunner::work(Run &run) noexcept
{
    try {
        ScanBoundary boundary(run.trees ? *run.trees : ScanBoundary::standardTrees());
        ProtectedFolders protectedFolders(run.protectedFolders ? run.protectedFolders->paths
                                                               : std::vector<std::string>{});
        const ActionContext context{boundary, protectedFolders, run.guard};
        for (std::size_t i = 0; i < run.items.size() && !run.stop.load(); ++i) {
            const Item &item = run.items[i];
            run.report(Result{i,
                              item.inProtectedFolder ? FileVerdict{FileVerdict::InProtectedFolder}
                                                     : run.action->apply(item.file, context)});
        }
        const std::optional<std::int64_t> measured = run.action->measuredRelease();
        {
            std::lock_guard lock(run.mutex);
            run.measured = measured;
        }
        run.report(std::nullopt);
    } catch (...) {
        run.reportFailure(std::current_exception());
    }
}

bool ActionRunner::workersEnded() const
{
    return std::all_of(threads_.begin(), threads_.end(), [](const LeavableThread &t) { return t.ended(); });
}

void ActionRunner::wake(std::uint64_t serial)
{
    if (run_ && run_->serial == serial && !drainTimer_.isActive())
        drainTimer_.start();
}

void ActionRunner::stop()
{
    if (!run_)
        return;
    run_->stop.store(true);
    if (!stopTimer_.isActive())
        stopTimer_.start();
}

void ActionRunner::abandon()
{
    if (!run_)
        return;
    applyPending(); // what went is off the list, so list and disk agree
    letGo();
}

void ActionRunner::letGo()
{
    run_->stop.store(true);
    detach();
}

void ActionRunner::drain()
{
    if (run_ && applyPending())
        finish();
}

// Applies the outcomes come so far as one batch; true when the thread has
// handed over its last. Rows are handled from the last down, and only handled
// rows leave the list, so the row numbers still to come keep pointing at the
// same rows.
bool ActionRunner::applyPending()
{
    std::vector<Result> results;
    bool done = false;
    {
        std::lock_guard lock(run_->mutex);
        results.swap(run_->pending);
        done = run_->done;
        run_->wakePosted = false;
        tally_.failure = run_->failure;
        if (run_->measured)
            tally_.releasedBytes = *run_->measured;
        run_->action->note(tally_);
    }
    std::vector<int> leaving;
    for (const Result &result : results) {
        const Item &item = run_->items[result.item];
        const FileVerdict &verdict = result.verdict;
        switch (verdict.kind) {
        case FileVerdict::Done:
            ++tally_.done;
            tally_.releasedBytes += verdict.bytes;
            leaving.push_back(item.row);
            break;
        case FileVerdict::Gone: // nothing to show for it, nothing to keep
            leaving.push_back(item.row);
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
    handled_ += results.size();
    if (done && !tally_.failure.empty())
        tally_.left += int(run_->items.size() - handled_); // never reached: their rows stay
    std::reverse(leaving.begin(), leaving.end());
    model_.removeRowSet(leaving);
    emit progressed(int(handled_), int(run_->items.size()));
    return done;
}

// Stop was pressed and the file in hand has not come back: the window stops
// waiting for it. It keeps its row whatever becomes of it.
void ActionRunner::giveUp()
{
    if (!run_)
        return;
    if (!applyPending() && handled_ < run_->items.size())
        ++tally_.left;
    finish();
}

void ActionRunner::detach()
{
    // The run in hand is the last one started; its thread goes on alone.
    threads_.back().leave();
    run_.reset();
    drainTimer_.stop();
    stopTimer_.stop();
}

void ActionRunner::finish()
{
    detach();
    emit finished(tally_);
}
