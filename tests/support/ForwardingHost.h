// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ScanHost.h"

// Passes every call on to another host; tests override the calls they change.
// It must outlive the job that uses it.
class ForwardingHost : public ScanHost
{
public:
    explicit ForwardingHost(ScanHost &inner) : inner_(inner) { }

    std::string filterText() override { return inner_.filterText(); }
    bool stopFlag() override { return inner_.stopFlag(); }
    std::int64_t totalBytes() override { return inner_.totalBytes(); }
    KeepRule keepRule() override { return inner_.keepRule(); }
    std::shared_ptr<const ProtectedFolderList> protectedFolders() override { return inner_.protectedFolders(); }
    int progressPosition() override { return inner_.progressPosition(); }
    void setProgressPosition(int position) override { inner_.setProgressPosition(position); }
    void setProgressMaximum(int maximum) override { inner_.setProgressMaximum(maximum); }
    void setElapsedText(const std::string &text) override { inner_.setElapsedText(text); }
    void addResultRow(ResultRow row) override { inner_.addResultRow(std::move(row)); }
    void showSummary(const ScanSummary &summary) override { inner_.showSummary(summary); }

private:
    ScanHost &inner_;
};
