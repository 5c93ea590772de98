// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "KeptCopyGuard.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <vector>

class ResultModel;

// What one run of deletions came to.
struct DeletionTally {
    int deleted = 0;                // files that went
    int left = 0;                   // files that could not go; their rows stay
    std::int64_t releasedBytes = 0; // sizes of the files that went
};

// Deletes the files of chosen result rows a batch at a time from the event
// loop, so a long run keeps the window painting and answering. Each batch
// removes the rows of the files that went (or were already gone) before the
// next begins, so the list and the tally agree whenever the run is stopped.
// A group's files are held back when the copy the run leaves of it is gone
// or changed (see KeptCopyGuard); they keep their rows and count as left.
// While it runs, rows must only leave the list through it.
class DeleteRunner : public QObject {
    Q_OBJECT
public:
    explicit DeleteRunner(ResultModel &model, QObject *parent = nullptr);

    // Starts on the files of these rows, last row first.
    void start(std::vector<int> rows, bool recycle);
    bool isRunning() const { return running_; }
    // Ends after the batch in hand and reports the tally.
    void stop();
    // Ends after the batch in hand without a report (the window is going).
    void abandon();
    // At most this many files per batch; batches also end after kBatchMs.
    void setBatchLimit(int files) { batchLimit_ = files; }

    static constexpr int kBatchMs = 20;

signals:
    void progressed(int done, int total);
    void finished(const DeletionTally &tally);

private:
    void runBatch();
    void deleteRow(int row, std::vector<int> &leaving);
    void finish();

    ResultModel &model_;
    QTimer timer_;
    KeptCopyGuard guard_;
    std::vector<int> rows_; // ascending; taken from the back
    std::size_t done_ = 0;
    bool recycle_ = false;
    bool running_ = false;
    int batchLimit_ = 1 << 20;
    DeletionTally tally_;
};
