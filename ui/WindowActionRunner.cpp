// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/WindowActionRunner.h"
#include "boundary/ScanBoundary.h"
#include "ui/ResultModel.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

WindowActionRunner::WindowActionRunner(ResultModel &model, QObject *parent) : QObject(parent), model_(model)
{
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(ActionRunner::kBatchInterval);
    connect(&drainTimer_, &QTimer::timeout, this, &WindowActionRunner::drain);
    stopTimer_.setSingleShot(true);
    stopTimer_.setTimerType(Qt::PreciseTimer);
    connect(&stopTimer_, &QTimer::timeout, this, &WindowActionRunner::giveUpWhenDue);
    // Called on the run's thread: the batch is taken on the window's.
    runner_.setWake([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (runner_.isRunning() && !drainTimer_.isActive())
                    drainTimer_.start();
            },
            Qt::QueuedConnection);
    });
}

void WindowActionRunner::setSystemTrees(std::vector<SystemTree> trees)
{
    runner_.setSystemTrees(std::move(trees));
}

void WindowActionRunner::setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders)
{
    runner_.setProtectedFolders(std::move(folders));
}

std::vector<ActionFile> WindowActionRunner::filesOf(const ResultModel &model, const std::vector<int> &rows,
                                                    std::vector<int> *rowOfFile)
{
    std::vector<bool> chosen(std::size_t(model.rowCount()), false);
    std::unordered_set<int> groups;
    for (int row : rows) {
        chosen[std::size_t(row)] = true;
        groups.insert(model.group(row));
    }
    std::vector<ActionFile> files;
    if (rowOfFile)
        rowOfFile->clear();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (groups.count(model.group(row)) == 0)
            continue;
        ResultRow file = model.row(row);
        files.push_back(
            {std::move(file.path), file.identity, file.group, file.inProtectedFolder, chosen[std::size_t(row)]});
        if (rowOfFile)
            rowOfFile->push_back(row);
    }
    return files;
}

void WindowActionRunner::start(const std::vector<int> &rows, bool recycle)
{
    start(rows, std::make_unique<DeleteAction>(recycle, remover_));
}

void WindowActionRunner::start(const std::vector<int> &rows, std::unique_ptr<FileAction> action,
                               ResultModel::JoinedAs joinedAs)
{
    drainTimer_.stop();
    stopTimer_.stop();
    joinedAs_ = joinedAs;
    std::vector<int> rowOfFile;
    std::vector<ActionFile> files = filesOf(model_, rows, &rowOfFile);
    rowIdOfFile_.clear();
    filesOfGroup_.clear();
    for (std::size_t f = 0; f < files.size(); ++f) {
        rowIdOfFile_.push_back(model_.rowId(rowOfFile[f]));
        filesOfGroup_[files[f].group].push_back(f);
    }
    if (!runner_.start(std::move(files), std::move(action)))
        emit finished(ActionTally{});
}

void WindowActionRunner::stop()
{
    if (!runner_.isRunning())
        return;
    runner_.stop();
    if (!stopTimer_.isActive())
        stopTimer_.start(ActionRunner::kStopWait);
}

void WindowActionRunner::abandon()
{
    if (!runner_.isRunning())
        return;
    show(runner_.abandon()); // what went is off the list, so list and disk agree
    drainTimer_.stop();
    stopTimer_.stop();
}

void WindowActionRunner::drain()
{
    if (!runner_.isRunning())
        return;
    const ActionBatch batch = runner_.take();
    show(batch);
    if (!batch.finished)
        return;
    drainTimer_.stop();
    stopTimer_.stop();
    emit finished(batch.tally);
}

// The runner gives the run up once its wait after Stop is over; a timer that
// fired a little early waits for the rest of it.
void WindowActionRunner::giveUpWhenDue()
{
    drain();
    if (const auto due = runner_.giveUpAt()) {
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(*due - ActionRunner::Clock::now());
        stopTimer_.start(std::max(rest, std::chrono::milliseconds(1)));
    }
}

int WindowActionRunner::currentRow(std::size_t file) const
{
    return model_.rowWithId(rowIdOfFile_[file]);
}

// The row stays, unchecked: the file is still there. Rows of its group whose
// files the action changed take them as they are now.
void WindowActionRunner::showJoined(const ActionOutcome &outcome)
{
    const FileVerdict &verdict = outcome.verdict;
    const int row = currentRow(outcome.file);
    if (row < 0)
        return;
    const int with = currentRow(verdict.joinedWith);
    model_.setChecked(row, false);
    if (with >= 0 && with != row)
        model_.setJoined(row, joinedAs_, model_.path(with));
    if (verdict.identity)
        model_.setIdentity(row, *verdict.identity);
    for (const FileIdentity &now : verdict.renewed)
        for (std::size_t f : filesOfGroup_[model_.group(row)]) {
            const int other = currentRow(f);
            if (other < 0)
                continue;
            const FileIdentity &listed = model_.identity(other);
            if (listed.device == now.device && listed.inode == now.inode)
                model_.setIdentity(other, now);
        }
}

void WindowActionRunner::show(const ActionBatch &batch)
{
    // An action that settles files in batches may settle a row after rows
    // below it left: rows are found by their numbers that stay.
    std::vector<int> leaving;
    for (const ActionOutcome &outcome : batch.outcomes) {
        if (outcome.verdict.kind == FileVerdict::Joined) {
            showJoined(outcome);
            continue;
        }
        if (outcome.verdict.kind != FileVerdict::Done && outcome.verdict.kind != FileVerdict::Gone)
            continue;
        if (const int row = currentRow(outcome.file); row >= 0)
            leaving.push_back(row);
    }
    std::sort(leaving.begin(), leaving.end());
    leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
    model_.removeRowSet(leaving);
    emit progressed(int(batch.handled), int(batch.total));
}
