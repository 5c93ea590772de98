// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"

#include <cstdint>
#include <string>
#include <unordered_map>

// A file's entry, reached afresh: the folder that holds it and its name
// there. Everything that changes a file the scan found starts here, so that
// each change is judged by the same checks.
struct SeenEntry {
    FolderHandle folder;
    std::string name;
    bool remote = false; // its status must come from the server, not a cache
};

// Where a path stands against the file the scan saw.
enum class Standing { Seen, Gone, Changed, Unreachable };

// Which devices answer over a network, as one run has asked them: once per
// device, by the folder a file was reached through, for a run that reaches
// many files. Made and asked on one thread.
class RemoteDevices
{
public:
    bool remote(std::uint64_t device, int folderFd);

private:
    std::unordered_map<std::uint64_t, bool> known_;
};

// Opens the entry at `path` and compares what is there, not followed through
// a link, with `seen`; `status` is what is there. With `devices`, whether
// its file system is a share is asked of that once per device.
Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, SeenEntry &entry, PathStatus &status,
                       RemoteDevices *devices = nullptr);
// Status of the entry without following a link; errno value on failure.
int StatEntry(const SeenEntry &entry, PathStatus &status);
