// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ScanHost.h"

#include <atomic>
#include <cstdint>
#include <functional>

// Stands between a scan job and its host, so that a job left behind while a
// thread of it is stuck can be cut off: once closed, no call reaches the host
// and every read answers as after Stop. Closing waits only for the calls
// already in progress, so the host's calls must return promptly.
class HostGate : public ScanHost
{
public:
    explicit HostGate(ScanHost &inner) : inner_(inner) { }

    // Lets nothing through from now on. False when it was closed already.
    bool close();
    // Closes the gate and then runs `last`, unless it was closed already:
    // of a job's own end and its abandonment, exactly one wins.
    bool closeWith(const std::function<void()> &last);
    // Runs `call` while the gate is open, for what reaches the host's owner
    // by other ways; false when closed.
    bool pass(const std::function<void()> &call);

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
    // Makes the call unless the gate is closed; whether it did.
    template <class Call>
    bool run(Call call);
    // The host's answer, or `closedAnswer` once the gate is closed.
    template <class Answer, class Call>
    Answer ask(Answer closedAnswer, Call call);
    bool enter();
    void leave();

    static constexpr std::uint32_t kClosed = 1u << 31;
    ScanHost &inner_;
    std::atomic<std::uint32_t> state_{0}; // the closed bit, and the calls in progress
};
