// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ProtectedFolderList.h"
#include "engine/WorkerThreads.h"
#include "ui/DeleteAction.h"
#include "ui/FileAction.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ResultModel;
struct SystemTree;

// What one run came to.
struct ActionTally {
    int done = 0;                   // files deleted, sharing storage or linked
    int left = 0;                   // files left as they were; their rows stay
    std::map<int, int> leftFor;     // of those, how many for each reason the action tells apart
    int inProtectedFolders = 0;     // files in folders the user protected; their rows stay
    std::int64_t releasedBytes = 0; // as the action measured it, or the sizes of the files that went
    std::string failure;            // why an error ended the run early; empty when it did not
    // Where the trash was looked for when it could not be used, and why (an
    // errno value); empty when it was not in the way.
    std::string unusableTrash;
    int trashError = 0;
};

// Runs one action (deleting, sharing storage, linking) over the files of
// chosen result rows on a thread of its own, so that a file on a stalled
// share never freezes the window. The rows of the files it is done with (or
// that were already gone) leave the list in batches, in order, on the
// window's thread, so the list and the tally agree whenever the run is
// stopped. Each run knows which copies of a group it leaves (see
// KeptCopyGuard). A file in a protected folder keeps its row and is counted
// apart. While it runs, rows must only leave the list through it.
class ActionRunner : public QObject
{
    Q_OBJECT
public:
    explicit ActionRunner(ResultModel &model, QObject *parent = nullptr);
    ~ActionRunner() override;

    // Starts the action on the files of these rows, last row first.
    void start(std::vector<int> rows, std::unique_ptr<FileAction> action);
    // Starts deleting them, to the trash when `recycle`, through the remover.
    void start(std::vector<int> rows, bool recycle);
    bool isRunning() const { return run_ != nullptr; }
    // Ends after the file in hand and reports the tally; when that file has
    // not come back within kStopWaitMs, the run is given up and the file
    // counts as left.
    void stop();
    // Ends at once without a report (the window is going); the file in hand
    // may still finish, unseen.
    void abandon();
    // Whether the threads of every run, given up ones too, have returned.
    bool workersEnded() const;

    void setRemover(FileRemover remover) { remover_ = std::move(remover); }
    // The system trees the runs' boundary knows, instead of this machine's.
    void setSystemTrees(std::vector<SystemTree> trees);
    // The folders protected for the runs started from now on. A file in one
    // is never handed to the remover: it is left when its row says so, and
    // asked again by its folder at the moment it would go.
    void setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders) { protected_ = std::move(folders); }

    static constexpr int kBatchMs = 20;
    static constexpr int kStopWaitMs = 500;

signals:
    void progressed(int done, int total);
    void finished(const ActionTally &tally);

private:
    struct Run;
    static void work(Run &run) noexcept;
    void wake(std::uint64_t serial);
    void drain();
    bool applyPending();
    void giveUp();
    void letGo();
    void detach();
    void finish();

    ResultModel &model_;
    FileRemover remover_;
    std::shared_ptr<const std::vector<SystemTree>> trees_; // none: this machine's
    std::shared_ptr<const ProtectedFolderList> protected_;
    QTimer drainTimer_;
    QTimer stopTimer_;
    std::shared_ptr<Run> run_;            // the run in hand
    std::vector<LeavableThread> threads_; // of every run, given up ones too
    std::uint64_t serial_ = 0;
    std::size_t handled_ = 0; // files of the run whose outcome the window has applied
    ActionTally tally_;
};
