// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "HostGate.h"

bool HostGate::enter()
{
    // Counted in before the closed bit is looked at, so that close() cannot
    // miss a call that got through.
    if ((state_.fetch_add(1) & kClosed) == 0)
        return true;
    leave();
    return false;
}

void HostGate::leave()
{
    if (state_.fetch_sub(1) - 1 == kClosed)
        state_.notify_all(); // the last call in progress has returned
}

bool HostGate::close()
{
    if (state_.fetch_or(kClosed) & kClosed)
        return false;
    for (std::uint32_t now = state_.load(); now != kClosed; now = state_.load())
        state_.wait(now);
    return true;
}

bool HostGate::closeWith(const std::function<void()> &last)
{
    if (!close())
        return false;
    if (last)
        last();
    return true;
}

template <class Call>
bool HostGate::run(Call call)
{
    if (!enter())
        return false;
    struct Leave {
        HostGate &gate;
        ~Leave() { gate.leave(); }
    } leaveOnReturn{*this};
    call();
    return true;
}

template <class Answer, class Call>
Answer HostGate::ask(Answer closedAnswer, Call call)
{
    run([&] { closedAnswer = call(); });
    return closedAnswer;
}

bool HostGate::pass(const std::function<void()> &call)
{
    return run(call);
}

std::string HostGate::filterText()
{
    return ask(std::string(), [this] { return inner_.filterText(); });
}

bool HostGate::stopFlag()
{
    return ask(true, [this] { return inner_.stopFlag(); });
}

std::int64_t HostGate::totalBytes()
{
    return ask(std::int64_t(0), [this] { return inner_.totalBytes(); });
}

KeepRule HostGate::keepRule()
{
    return ask(KeepRule::CheckOlder, [this] { return inner_.keepRule(); });
}

std::shared_ptr<const ProtectedFolderList> HostGate::protectedFolders()
{
    return ask(std::shared_ptr<const ProtectedFolderList>(), [this] { return inner_.protectedFolders(); });
}

int HostGate::progressPosition()
{
    return ask(0, [this] { return inner_.progressPosition(); });
}

void HostGate::setProgressPosition(int position)
{
    run([&] { inner_.setProgressPosition(position); });
}

void HostGate::setProgressMaximum(int maximum)
{
    run([&] { inner_.setProgressMaximum(maximum); });
}

void HostGate::setElapsedText(const std::string &text)
{
    run([&] { inner_.setElapsedText(text); });
}

void HostGate::addResultRow(ResultRow row)
{
    run([&] { inner_.addResultRow(std::move(row)); });
}

void HostGate::showSummary(const ScanSummary &summary)
{
    run([&] { inner_.showSummary(summary); });
}
