// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "DeleteRunner.h"
#include "FileRemoval.h"
#include "ResultModel.h"

#include <QElapsedTimer>

#include <algorithm>

DeleteRunner::DeleteRunner(ResultModel &model, QObject *parent) : QObject(parent), model_(model)
{
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &DeleteRunner::runBatch);
}

void DeleteRunner::start(std::vector<int> rows, bool recycle)
{
    std::sort(rows.begin(), rows.end());
    guard_ = KeptCopyGuard(model_, rows);
    rows_ = std::move(rows);
    done_ = 0;
    recycle_ = recycle;
    tally_ = {};
    running_ = true;
    if (rows_.empty()) {
        finish();
        return;
    }
    timer_.start();
}

void DeleteRunner::stop()
{
    if (running_)
        finish();
}

void DeleteRunner::abandon()
{
    timer_.stop();
    running_ = false;
}

// Rows are handled from the last down, and only handled rows leave the list,
// so the row numbers still to come keep pointing at the same rows.
void DeleteRunner::runBatch()
{
    QElapsedTimer clock;
    clock.start();
    std::vector<int> leaving;
    for (int count = 0; done_ < rows_.size() && count < batchLimit_ && (count == 0 || clock.elapsed() < kBatchMs);
         ++count, ++done_)
        deleteRow(rows_[rows_.size() - 1 - done_], leaving);
    std::reverse(leaving.begin(), leaving.end());
    model_.removeRowSet(leaving);
    emit progressed(int(done_), int(rows_.size()));
    if (done_ == rows_.size())
        finish();
}

void DeleteRunner::deleteRow(int row, std::vector<int> &leaving)
{
    const ResultRow &file = model_.row(row);
    if (!guard_.allows(file.group)) {
        ++tally_.left;
        return;
    }
    switch (ShellDeleteFile(file.path, file.identity, recycle_)) {
    case RemovalOutcome::Removed:
        ++tally_.deleted;
        tally_.releasedBytes += file.identity.size;
        leaving.push_back(row);
        break;
    case RemovalOutcome::Gone: // nothing to show for it, nothing to keep
        leaving.push_back(row);
        break;
    case RemovalOutcome::Changed:
    case RemovalOutcome::Refused:
        ++tally_.left;
        break;
    }
}

void DeleteRunner::finish()
{
    abandon();
    emit finished(tally_);
}
