// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "DeleteRunner.h"
#include "KeptCopyGuard.h"
#include "ProtectedFolders.h"
#include "ResultModel.h"
#include "ScanBoundary.h"
#include "ScanTexts.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace
{

struct Item {
    int row;
    std::string path;
    FileIdentity identity;
    int group;
    bool inProtectedFolder; // as its row was judged
};

struct Result {
    std::size_t item;
    RemovalOutcome outcome;
};

} // namespace

// One run, shared by the window and its thread. The window only reads the
// items; the outcomes travel under the mutex. A run given up has its gate
// closed, so nothing it reports later reaches the window.
struct DeleteRunner::Run {
    std::uint64_t serial = 0;
    std::vector<Item> items; // last row first
    KeptCopyGuard guard;
    bool recycle = false;
    FileRemover remover;
    std::shared_ptr<const std::vector<SystemTree>> trees;
    std::shared_ptr<const ProtectedFolderList> protectedFolders;
    std::atomic<bool> stop{false};
    DeleteRunner *receiver = nullptr;
    CallGate *gate = nullptr; // its thread's: closed when the window gives the run up

    std::mutex mutex; // guards the members below
    std::vector<Result> pending;
    std::string unusableTrash; // the first trash that could not be used
    int trashError = 0;
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
            DeleteRunner *to = receiver;
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

DeleteRunner::DeleteRunner(ResultModel &model, QObject *parent)
    : QObject(parent), model_(model),
      remover_([](const std::string &path, const FileIdentity &seen, bool recycle, const RemovalChecks &checks) {
          return ShellDeleteFile(path, seen, recycle, checks);
      })
{
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kBatchMs);
    connect(&drainTimer_, &QTimer::timeout, this, &DeleteRunner::drain);
    stopTimer_.setSingleShot(true);
    stopTimer_.setInterval(kStopWaitMs);
    connect(&stopTimer_, &QTimer::timeout, this, &DeleteRunner::giveUp);
}

// The model may already be gone: only the thread is let go of.
DeleteRunner::~DeleteRunner()
{
    if (run_)
        letGo();
}

void DeleteRunner::setSystemTrees(std::vector<SystemTree> trees)
{
    trees_ = std::make_shared<const std::vector<SystemTree>>(std::move(trees));
}

void DeleteRunner::start(std::vector<int> rows, bool recycle)
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
        run->items.push_back({*row, file.path, file.identity, file.group, file.inProtectedFolder});
    }
    run->recycle = recycle;
    run->remover = remover_;
    run->trees = trees_;
    run->protectedFolders = protected_;
    run->receiver = this;
    std::erase_if(threads_, [](const LeavableThread &old) { return old.ended(); });
    threads_.emplace_back();
    run->gate = &threads_.back().gate();
    run_ = run;
    threads_.back().start(run, &DeleteRunner::work);
}

// The thread's whole life. The boundary and the protected folders are built
// here: building them reads the mount table, the system trees and the folders.
void DeleteRunner::work(Run &run) noexcept
{
    try {
        ScanBoundary boundary(run.trees ? *run.trees : ScanBoundary::standardTrees());
        ProtectedFolders protectedFolders(run.protectedFolders ? run.protectedFolders->paths
                                                               : std::vector<std::string>{});
        for (std::size_t i = 0; i < run.items.size() && !run.stop.load(); ++i) {
            const Item &item = run.items[i];
            if (item.inProtectedFolder) {
                run.report(Result{i, RemovalOutcome::InProtectedFolder});
                continue;
            }
            const RemovalChecks checks{&boundary, run.guard.checkFor(item.group), &protectedFolders,
                                       [&run](const std::string &trash, int error) {
                                           std::lock_guard lock(run.mutex);
                                           if (run.unusableTrash.empty()) {
                                               run.unusableTrash = trash;
                                               run.trashError = error;
                                           }
                                       }};
            run.report(Result{i, run.remover(item.path, item.identity, run.recycle, checks)});
        }
        run.report(std::nullopt);
    } catch (...) {
        run.reportFailure(std::current_exception());
    }
}

bool DeleteRunner::workersEnded() const
{
    return std::all_of(threads_.begin(), threads_.end(), [](const LeavableThread &t) { return t.ended(); });
}

void DeleteRunner::wake(std::uint64_t serial)
{
    if (run_ && run_->serial == serial && !drainTimer_.isActive())
        drainTimer_.start();
}

void DeleteRunner::stop()
{
    if (!run_)
        return;
    run_->stop.store(true);
    if (!stopTimer_.isActive())
        stopTimer_.start();
}

void DeleteRunner::abandon()
{
    if (!run_)
        return;
    applyPending(); // what went is off the list, so list and disk agree
    letGo();
}

void DeleteRunner::letGo()
{
    run_->stop.store(true);
    detach();
}

void DeleteRunner::drain()
{
    if (run_ && applyPending())
        finish();
}

// Applies the outcomes come so far as one batch; true when the thread has
// handed over its last. Rows are handled from the last down, and only handled
// rows leave the list, so the row numbers still to come keep pointing at the
// same rows.
bool DeleteRunner::applyPending()
{
    std::vector<Result> results;
    bool done = false;
    {
        std::lock_guard lock(run_->mutex);
        results.swap(run_->pending);
        done = run_->done;
        run_->wakePosted = false;
        tally_.failure = run_->failure;
        if (tally_.unusableTrash.empty()) {
            tally_.unusableTrash = run_->unusableTrash;
            tally_.trashError = run_->trashError;
        }
    }
    std::vector<int> leaving;
    for (const Result &result : results) {
        const Item &item = run_->items[result.item];
        switch (result.outcome) {
        case RemovalOutcome::Removed:
            ++tally_.deleted;
            tally_.releasedBytes += item.identity.size;
            leaving.push_back(item.row);
            break;
        case RemovalOutcome::Gone: // nothing to show for it, nothing to keep
            leaving.push_back(item.row);
            break;
        case RemovalOutcome::InProtectedFolder:
            ++tally_.inProtectedFolders;
            break;
        case RemovalOutcome::Changed:
        case RemovalOutcome::Refused:
        case RemovalOutcome::Protected:
        case RemovalOutcome::LastCopy:
            ++tally_.left;
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
void DeleteRunner::giveUp()
{
    if (!run_)
        return;
    if (!applyPending() && handled_ < run_->items.size())
        ++tally_.left;
    finish();
}

void DeleteRunner::detach()
{
    // The run in hand is the last one started; its thread goes on alone.
    threads_.back().leave();
    run_.reset();
    drainTimer_.stop();
    stopTimer_.stop();
}

void DeleteRunner::finish()
{
    detach();
    emit finished(tally_);
}
