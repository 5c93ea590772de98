// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/ActionRunner.h"
#include "actions/DeleteAction.h"
#include "ui/ResultModel.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// The window's side of an ActionRunner: it tells the runner of the chosen
// result rows, takes the outcomes on the window's thread in batches, and
// takes the rows of the files done with (or already gone) off the list, so
// the list and the tally agree whenever the run is stopped. Rows are found by
// the numbers they keep (ResultModel::rowId), whatever left before them.
// While it runs, rows must only leave the list through it.
class WindowActionRunner : public QObject
{
    Q_OBJECT
public:
    explicit WindowActionRunner(ResultModel &model, QObject *parent = nullptr);

    // Starts the action on the files of these rows, last row first. A file
    // the action joins with another copy (Joined) keeps its row, unchecked,
    // its tooltip saying `joinedAs` which copy.
    void start(const std::vector<int> &rows, std::unique_ptr<FileAction> action,
               ResultModel::JoinedAs joinedAs = ResultModel::JoinedAs::HardLink);
    // Starts deleting them, to the trash when `recycle`, through the remover.
    void start(const std::vector<int> &rows, bool recycle);
    bool isRunning() const { return runner_.isRunning(); }
    // Ends after the file in hand and reports the tally; when that file has
    // not come back within ActionRunner::kStopWait, the run is given up and
    // the file counts as left.
    void stop();
    // Ends at once without a report (the window is going); the file in hand
    // may still finish, unseen.
    void abandon();
    // Whether the threads of every run, given up ones too, have returned.
    bool workersEnded() const { return runner_.workersEnded(); }

    void setRemover(FileRemover remover) { remover_ = std::move(remover); }
    // The system trees the runs' boundary knows, instead of this machine's.
    void setSystemTrees(std::vector<SystemTree> trees);
    // The folders protected for the runs started from now on.
    void setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders);

    // The chosen rows' files as a run is told of them: every row of their
    // groups, in list order, the chosen ones marked; `rowOfFile`, when
    // given, learns the row of each.
    static std::vector<ActionFile> filesOf(const ResultModel &model, const std::vector<int> &rows,
                                           std::vector<int> *rowOfFile = nullptr);

signals:
    void progressed(int done, int total);
    void finished(const ActionTally &tally);

private:
    void drain();
    void giveUpWhenDue();
    void show(const ActionBatch &batch);
    void showJoined(const ActionOutcome &outcome);
    int currentRow(std::size_t file) const;

    ResultModel &model_;
    FileRemover remover_; // none: ShellDeleteFile
    QTimer drainTimer_;
    QTimer stopTimer_;
    // Of the run in hand: each file's row by its number, which stays with it
    // while rows before it leave, and the files of each group.
    std::vector<std::uint64_t> rowIdOfFile_;
    std::unordered_map<int, std::vector<std::size_t>> filesOfGroup_;
    ResultModel::JoinedAs joinedAs_ = ResultModel::JoinedAs::HardLink;
    ActionRunner runner_; // last: let go of before the timers go
};
