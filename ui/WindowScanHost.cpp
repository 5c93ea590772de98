// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/WindowScanHost.h"
#include "ui/ResultModel.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>

#include <algorithm>
#include <span>

namespace
{
// A drain hands control back to the event loop after this long, so a flood of
// rows never freezes the window; the rest follows on the next turn.
constexpr qint64 kDrainBudgetMs = 8;
// Rows travel and enter the model in batches of at most this many, so no
// batch is costly to grow on the worker or to insert on the window's thread.
constexpr std::size_t kRowsPerBatch = 4096;
} // namespace

WindowScanHost::WindowScanHost(ResultModel &model, QObject *parent) : QObject(parent), model_(model)
{
    drainTimer_.setSingleShot(true);
    connect(&drainTimer_, &QTimer::timeout, this, &WindowScanHost::drain);
}

WindowScanHost::~WindowScanHost() = default;

void WindowScanHost::setFilterText(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::lock_guard lock(mutex_);
    filter_.assign(bytes.constData(), std::size_t(bytes.size()));
}

void WindowScanHost::setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders)
{
    std::lock_guard lock(mutex_);
    protected_ = std::move(folders);
}

std::shared_ptr<const ProtectedFolderList> WindowScanHost::protectedFolders()
{
    std::lock_guard lock(mutex_);
    return protected_;
}

void WindowScanHost::resetProgress(int maximum)
{
    std::lock_guard lock(mutex_);
    maximum_ = maximum;
    position_ = 0;
}

void WindowScanHost::discardPending()
{
    {
        std::lock_guard lock(mutex_);
        pending_.clear();
        queuedRows_ = 0;
        wakePosted_ = false;
    }
    backlog_.clear();
    next_ = 0;
    drainTimer_.stop();
}

std::string WindowScanHost::filterText()
{
    std::lock_guard lock(mutex_);
    return filter_;
}

int WindowScanHost::rowsInTransit()
{
    std::lock_guard lock(mutex_);
    return queuedRows_;
}

int WindowScanHost::progressPosition()
{
    std::lock_guard lock(mutex_);
    return position_;
}

void WindowScanHost::setProgressPosition(int position)
{
    int clamped;
    {
        std::lock_guard lock(mutex_);
        position_ = std::clamp(position, 0, std::max(maximum_, 0));
        clamped = position_;
    }
    push(Position{clamped});
}

void WindowScanHost::setProgressMaximum(int maximum)
{
    int clamped;
    {
        std::lock_guard lock(mutex_);
        maximum_ = maximum;
        position_ = std::clamp(position_, 0, std::max(maximum_, 0));
        clamped = position_;
    }
    push(Maximum{maximum});
    push(Position{clamped});
}

void WindowScanHost::setElapsedText(const std::string &text)
{
    push(Label{text});
}

void WindowScanHost::addResultRow(ResultRow row)
{
    enqueue([&](std::vector<Operation> &pending) {
        // Consecutive rows travel as one batch and enter the model together.
        Rows *batch = pending.empty() ? nullptr : std::get_if<Rows>(&pending.back());
        if (!batch || batch->rows.size() >= kRowsPerBatch) {
            batch = &std::get<Rows>(pending.emplace_back(Rows{}));
            batch->rows.reserve(kRowsPerBatch);
        }
        batch->rows.push_back(std::move(row));
        ++queuedRows_;
    });
}

void WindowScanHost::showSummary(const ScanSummary &summary)
{
    push(Summary{summary});
}

void WindowScanHost::jobEnded()
{
    push(Ended{});
}

void WindowScanHost::jobAbandoned(const ScanSummary &soFar)
{
    push(Abandoned{soFar});
    drainTimer_.start(0); // the user waits for it: no need to wait for the display rate
}

void WindowScanHost::push(Operation operation)
{
    enqueue([&](std::vector<Operation> &pending) {
        // Only the last position and the last label of a run can ever be seen.
        Operation *last = pending.empty() ? nullptr : &pending.back();
        const bool replaces = last && last->index() == operation.index()
            && (std::holds_alternative<Position>(operation) || std::holds_alternative<Label>(operation));
        if (replaces)
            *last = std::move(operation);
        else
            pending.push_back(std::move(operation));
    });
}

template <class Change>
void WindowScanHost::enqueue(Change &&change)
{
    bool wake;
    {
        std::lock_guard lock(mutex_);
        change(pending_);
        wake = !std::exchange(wakePosted_, true);
    }
    if (wake)
        wakeWindow();
}

void WindowScanHost::wakeWindow()
{
    QMetaObject::invokeMethod(this, &WindowScanHost::armTimer, Qt::QueuedConnection);
}

void WindowScanHost::armTimer()
{
    if (!drainTimer_.isActive())
        drainTimer_.start(kDrainIntervalMs);
}

bool WindowScanHost::takePending()
{
    std::lock_guard lock(mutex_);
    wakePosted_ = false;
    if (pending_.empty())
        return false;
    if (next_ >= backlog_.size()) {
        backlog_.clear();
        next_ = 0;
        backlog_.swap(pending_);
    } else {
        std::move(pending_.begin(), pending_.end(), std::back_inserter(backlog_));
        pending_.clear();
    }
    return true;
}

void WindowScanHost::drain()
{
    // A summary box runs a local event loop; the outer drain goes on after it.
    if (draining_)
        return;
    QScopedValueRollback guard(draining_, true);
    if (!applyQueued(kDrainBudgetMs))
        drainTimer_.start(0);
}

bool WindowScanHost::applyQueued(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (next_ >= backlog_.size() && !takePending())
            break;
        if (clock.elapsed() >= budgetMs)
            return false;
        applyFront();
    }
    backlog_.clear();
    next_ = 0;
    return true;
}

void WindowScanHost::applyFront()
{
    // Moved out first: applying may re-enter the event loop.
    Operation operation = std::move(backlog_[next_]);
    ++next_;
    apply(operation);
}

void WindowScanHost::applyRows(Rows &batch)
{
    const int first = model_.rowCount();
    model_.appendRows(batch.rows);
    // The worker may have marked them by a rule switched since: in the list
    // they count as present at the switch, so the rule in force marks them.
    model_.applyKeepRule(rule_.load(), first);
    std::lock_guard lock(mutex_);
    queuedRows_ -= int(batch.rows.size());
}

void WindowScanHost::apply(Operation &operation)
{
    std::visit(
        [this](auto &op) {
            using T = std::decay_t<decltype(op)>;
            if constexpr (std::is_same_v<T, Rows>)
                applyRows(op);
            else if constexpr (std::is_same_v<T, Position>)
                emit progressPositionChanged(op.value);
            else if constexpr (std::is_same_v<T, Maximum>)
                emit progressMaximumChanged(op.value);
            else if constexpr (std::is_same_v<T, Label>)
                emit elapsedTextChanged(QString::fromStdString(op.text));
            else if constexpr (std::is_same_v<T, Summary>)
                emit summaryReady(op.summary);
            else if constexpr (std::is_same_v<T, Ended>)
                emit scanEnded();
            else if constexpr (std::is_same_v<T, Abandoned>)
                emit scanAbandoned(op.soFar);
        },
        operation);
}
