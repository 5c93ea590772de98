#pragma once
#include "ScanHost.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

class ResultModel;

// The main window's side of the scan seam. The worker reads copies that the
// window keeps current, and its operations wait in a queue that the window
// drains on its own thread at display rate, in the order issued, rows in
// whole batches. Lives on the window's thread.
class WindowScanHost : public QObject, public ScanHost {
    Q_OBJECT
public:
    explicit WindowScanHost(ResultModel &model, QObject *parent = nullptr);
    ~WindowScanHost() override;

    // Window side: the copies the worker reads.
    void setFilterText(const QString &text);
    void setStopFlag(bool stop) { stop_.store(stop); }
    void setKeepRule(int rule) { keepRule_.store(rule); }
    void setTotalBytes(std::int64_t total) { totalBytes_.store(total); }
    const std::atomic<bool> &stopFlagRef() const { return stop_; }
    // Sets the worker's view of the progress bar before a job starts.
    void resetProgress(int maximum);
    // Forgets every operation not yet applied (the job is gone).
    void discardPending();
    // Applies at once everything issued so far, up to a summary or the end
    // of the job, so the window's own handlers see every row already sent.
    void catchUp();

    // Worker side: the job has ended; queued behind everything it issued.
    void jobEnded();

    // ScanHost, called from the worker.
    std::string filterText() override;
    bool stopFlag() override { return stop_.load(); }
    std::int64_t totalBytes() override { return totalBytes_.load(); }
    int keepRule() override { return keepRule_.load(); }
    int rowCount() override;
    int progressPosition() override;
    void setProgressPosition(int position) override;
    void setProgressMaximum(int maximum) override;
    void setElapsedText(const std::string &text) override;
    void addResultRow(ResultRow row) override;
    void showSummary(int groupCount) override;

    static constexpr int kDrainIntervalMs = 30;

signals:
    void progressPositionChanged(int position);
    void progressMaximumChanged(int maximum);
    void elapsedTextChanged(const QString &text);
    // Every row issued before it is in the model.
    void summaryReady(int groupCount);
    void scanEnded();

private:
    struct Position { int value; };
    struct Maximum { int value; };
    struct Label { std::string text; };
    struct Rows {
        std::vector<ResultRow> rows;
        std::size_t applied = 0;
    };
    struct Summary { int groups; };
    struct Ended {};
    using Operation = std::variant<Position, Maximum, Label, Rows, Summary, Ended>;

    void push(Operation operation);
    template <class Change>
    void enqueue(Change &&change);
    void wakeWindow();
    void armTimer();
    void drain();
    enum class Stopped { Empty, BudgetSpent, BeforeScanEnd };
    // Applies queued operations in order until none is left, the budget
    // (negative: none) is spent, or, if asked, the next one ends the scan.
    Stopped applyQueued(qint64 budgetMs, bool holdScanEnd);
    bool takePending();
    // Applies the front operation or a slice of it; false when it is not done.
    bool applyFront();
    bool frontEndsScan() const;
    bool applyRows(Rows &rows);
    void apply(Operation &operation);
    void syncRowMirror();

    ResultModel &model_;
    QTimer drainTimer_;
    bool draining_ = false;

    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> totalBytes_{0};
    std::atomic<int> keepRule_{0};

    std::mutex mutex_; // guards everything below
    std::string filter_;
    int position_ = 0;
    int maximum_ = 1000;
    int modelRows_ = 0;
    int queuedRows_ = 0;
    bool wakePosted_ = false;
    std::vector<Operation> pending_;

    // Window side: operations taken from the worker, applied from next_ on.
    std::vector<Operation> backlog_;
    std::size_t next_ = 0;
};
