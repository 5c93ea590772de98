// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/HostGate.h"

template <class Answer, class Call>
Answer HostGate::ask(Answer closedAnswer, Call call)
{
    gate_.run([&] { closedAnswer = call(); });
    return closedAnswer;
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
    gate_.run([&] { inner_.setProgressPosition(position); });
}

void HostGate::setProgressMaximum(int maximum)
{
    gate_.run([&] { inner_.setProgressMaximum(maximum); });
}

void HostGate::setElapsedText(const std::string &text)
{
    gate_.run([&] { inner_.setElapsedText(text); });
}

void HostGate::addResultRow(ResultRow row)
{
    gate_.run([&] { inner_.addResultRow(std::move(row)); });
}

void HostGate::showSummary(const ScanSummary &summary)
{
    gate_.run([&] { inner_.showSummary(summary); });
}
