// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ScanHost.h"
#include "StuckCall.h"

// Passes everything on to another host, except that reading the stop flag or
// the filter text waits until the test releases it: a scan thread stuck in a
// call that does not return, as a read from a stalled network mount. It must
// outlive the job that uses it.
class StuckHost : public ScanHost {
public:
    explicit StuckHost(ScanHost &inner) : inner_(inner) {}

    // Whether the scan thread is held in a read now.
    bool holdsThread() { return stuck_.holdsThread(); }
    void release() { stuck_.release(); }

    std::string filterText() override
    {
        stuck_.hold();
        return inner_.filterText();
    }
    bool stopFlag() override
    {
        stuck_.hold();
        return inner_.stopFlag();
    }
    std::int64_t totalBytes() override { return inner_.totalBytes(); }
    KeepRule keepRule() override { return inner_.keepRule(); }
    int progressPosition() override { return inner_.progressPosition(); }
    void setProgressPosition(int position) override { inner_.setProgressPosition(position); }
    void setProgressMaximum(int maximum) override { inner_.setProgressMaximum(maximum); }
    void setElapsedText(const std::string &text) override { inner_.setElapsedText(text); }
    void addResultRow(ResultRow row) override { inner_.addResultRow(std::move(row)); }
    void showSummary(const ScanSummary &summary) override { inner_.showSummary(summary); }

private:
    ScanHost &inner_;
    StuckCall stuck_;
};
