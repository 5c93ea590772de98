// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ScanHost.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

class ResultModel;

// The main window's side of the scan seam. The worker reads copies that the
// window keeps current, and its operations wait in a queue that the window
// drains on its own thread at display rate, in the order issued, rows in
// whole batches. Lives on the window's thread.
class WindowScanHost : public QObject, public ScanHost
{
    Q_OBJECT
public:
    explicit WindowScanHost(ResultModel &model, QObject *parent = nullptr);
    ~WindowScanHost() override;

    // Window side: the copies the worker reads.
    void setFilterText(const QString &text);
    void setStopFlag(bool stop) { stop_.store(stop); }
    // Rows already listed are the window's to re-mark; rows on their way
    // are marked by the rule in force when they enter the list.
    void setKeepRule(KeepRule rule) { rule_.store(rule); }
    void setTotalBytes(std::int64_t total) { totalBytes_.store(total); }
    // The folders protected now; rows judged against an earlier change are
    // the window's to judge again (FolderProtection).
    void setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders);
    const std::atomic<bool> &stopFlagRef() const { return stop_; }
    // Sets the worker's view of the progress bar before a job starts.
    void resetProgress(int maximum);
    // Forgets every operation not yet applied (the job is gone).
    void discardPending();
    // Rows issued by the worker that have not reached the list yet.
    int rowsInTransit();

    // Worker side: the job has ended; queued behind everything it issued.
    void jobEnded();
    // Window side: the job was left behind, cut off from this host; queued
    // behind everything it issued, with its figures so far.
    void jobAbandoned(const ScanSummary &soFar);

    // ScanHost, called from the worker.
    std::string filterText() override;
    bool stopFlag() override { return stop_.load(); }
    std::int64_t totalBytes() override { return totalBytes_.load(); }
    KeepRule keepRule() override { return rule_.load(); }
    std::shared_ptr<const ProtectedFolderList> protectedFolders() override;
    int progressPosition() override;
    void setProgressPosition(int position) override;
    void setProgressMaximum(int maximum) override;
    void setElapsedText(const std::string &text) override;
    void addResultRow(ResultRow row) override;
    void showSummary(const ScanSummary &summary) override;

    static constexpr int kDrainIntervalMs = 30;

signals:
    void progressPositionChanged(int position);
    void progressMaximumChanged(int maximum);
    void elapsedTextChanged(const QString &text);
    // Every row issued before it is in the model.
    void summaryReady(const ScanSummary &summary);
    void scanEnded();
    // Every row issued before it is in the model; no more come from the job.
    void scanAbandoned(const ScanSummary &soFar);

private:
    struct Position {
        int value;
    };
    struct Maximum {
        int value;
    };
    struct Label {
        std::string text;
    };
    struct Rows {
        std::vector<ResultRow> rows;
    };
    struct Summary {
        ScanSummary summary;
    };
    struct Ended {
    };
    struct Abandoned {
        ScanSummary soFar;
    };
    using Operation = std::variant<Position, Maximum, Label, Rows, Summary, Ended, Abandoned>;

    void push(Operation operation);
    template <class Change>
    void enqueue(Change &&change);
    void wakeWindow();
    void armTimer();
    void drain();
    // Applies queued operations in order; false when the budget ran out first.
    bool applyQueued(qint64 budgetMs);
    bool takePending();
    void applyFront();
    void applyRows(Rows &batch);
    void apply(Operation &operation);

    ResultModel &model_;
    QTimer drainTimer_;
    bool draining_ = false;

    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> totalBytes_{0};
    std::atomic<KeepRule> rule_{KeepRule::CheckOlder};

    std::mutex mutex_; // guards everything below
    std::string filter_;
    std::shared_ptr<const ProtectedFolderList> protected_;
    int position_ = 0;
    int maximum_ = 1000;
    int queuedRows_ = 0;
    bool wakePosted_ = false;
    std::vector<Operation> pending_;

    // Window side: operations taken from the worker, applied from next_ on.
    std::vector<Operation> backlog_;
    std::size_t next_ = 0;
};
