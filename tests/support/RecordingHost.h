// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ScanHost.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A ScanHost that keeps everything the engine tells it, for the tests.
class RecordingHost : public ScanHost
{
public:
    std::string filter = "*.*";
    std::atomic<bool> stop{false};
    std::int64_t total = 0;
    std::atomic<KeepRule> rule{KeepRule::CheckOlder};

    std::vector<ResultRow> rows;
    std::vector<std::string> labels;
    int maximum = 1000;
    int position = 0;
    int summaries = 0;
    int summaryGroups = -1;
    int summaryRows = -1;
    int summaryUnread = -1;
    // Called after each row is added, e.g. to press Stop at a chosen moment.
    std::function<void(const ResultRow &)> onRow;

    // Protects these folders from the next read on, as a new change.
    void protect(std::vector<std::string> paths)
    {
        std::lock_guard lock(protectionMutex_);
        const std::uint32_t serial = protection_ ? protection_->serial + 1 : 1;
        protection_ = std::make_shared<const ProtectedFolderList>(ProtectedFolderList{serial, std::move(paths)});
    }
    std::shared_ptr<const ProtectedFolderList> protectedFolders() override
    {
        std::lock_guard lock(protectionMutex_);
        return protection_;
    }

    std::string filterText() override { return filter; }
    bool stopFlag() override { return stop.load(); }
    std::int64_t totalBytes() override { return total; }
    KeepRule keepRule() override { return rule.load(); }
    int progressPosition() override { return position; }
    void setProgressPosition(int p) override { position = p < 0 ? 0 : (p > maximum ? maximum : p); }
    void setProgressMaximum(int m) override { maximum = m; }
    void setElapsedText(const std::string &text) override { labels.push_back(text); }
    void addResultRow(ResultRow row) override
    {
        rows.push_back(std::move(row));
        if (onRow)
            onRow(rows.back());
    }
    int summarySystemFolders = -1;
    ScanSummary lastSummary;
    void showSummary(const ScanSummary &summary) override
    {
        ++summaries;
        lastSummary = summary;
        summaryGroups = summary.groups;
        summaryUnread = summary.unreadable;
        summarySystemFolders = summary.systemFolders;
        summaryRows = int(rows.size());
    }

private:
    std::mutex protectionMutex_;
    std::shared_ptr<const ProtectedFolderList> protection_;
};
