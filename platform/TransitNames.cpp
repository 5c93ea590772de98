// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/TransitNames.h"
#include "platform/DirectoryReader.h"

#include <atomic>
#include <cstdint>
#include <pthread.h>
#include <unistd.h>

int TransitKindOf(std::string_view name)
{
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    for (std::size_t kind = 0; kind < kTransitKindCount; ++kind) {
        if (!name.starts_with(kTransitKinds[kind].prefix))
            continue;
        const std::string_view rest = name.substr(kTransitKinds[kind].prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash != std::string_view::npos && digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1)))
            return int(kind);
    }
    return -1;
}

namespace
{

// The process id, asked once and again in a child after fork.
std::atomic<pid_t> gPid{0};

pid_t ProcessId()
{
    static const bool forgetInChild = [] {
        ::pthread_atfork(nullptr, nullptr, [] { gPid.store(0); });
        return true;
    }();
    (void)forgetInChild;
    pid_t pid = gPid.load();
    if (pid == 0)
        gPid.store(pid = ::getpid());
    return pid;
}

} // namespace

std::string NextTransitName(TransitKindIndex kind)
{
    // One counter for every kind: two steps never pick the same number.
    static std::atomic<std::uint64_t> counter{0};
    return std::string(kTransitKinds[kind].prefix) + std::to_string(ProcessId()) + "-" + std::to_string(counter++);
}

int CountLeftInTransit(int folderFd, TransitKindIndex kind)
{
    const std::string_view prefix = kTransitKinds[kind].prefix;
    const std::string ours = std::string(prefix) + std::to_string(ProcessId()) + "-";
    DirectoryReader folder;
    if (!folder.openFolder(folderFd))
        return 0;
    int count = 0;
    DirectoryReader::Entry entry;
    while (folder.next(entry)) {
        const std::string_view name = entry.name;
        if (!name.starts_with(ours) && TransitKindOf(name) == int(kind))
            ++count;
    }
    return count;
}
