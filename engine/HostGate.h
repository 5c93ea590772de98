// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/CallGate.h"
#include "engine/ScanHost.h"

// Stands between a scan job and its host (through the job's gate, see
// CallGate), so that a job left behind while a thread of it is stuck can be
// cut off: once the gate is closed, no call reaches the host and every read
// answers as after Stop.
class HostGate : public ScanHost
{
public:
    HostGate(ScanHost &inner, CallGate &gate) : inner_(inner), gate_(gate) { }

    std::string filterText() override;
    bool stopFlag() override;
    std::int64_t totalBytes() override;
    KeepRule keepRule() override;
    std::shared_ptr<const ProtectedFolderList> protectedFolders() override;
    int progressPosition() override;
    void setProgressPosition(int position) override;
    void setProgressMaximum(int maximum) override;
    void setElapsedText(const std::string &text) override;
    void addResultRow(ResultRow row) override;
    void showSummary(const ScanSummary &summary) override;

private:
    // The host's answer, or `closedAnswer` once the gate is closed.
    template <class Answer, class Call>
    Answer ask(Answer closedAnswer, Call call);

    ScanHost &inner_;
    CallGate &gate_;
};
