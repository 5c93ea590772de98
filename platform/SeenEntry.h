// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"

#include <string>

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

// Opens the entry at `path` and compares what is there, not followed through
// a link, with `seen`; `status` is what is there.
Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, SeenEntry &entry, PathStatus &status);
// Status of the entry without following a link; errno value on failure.
int StatEntry(const SeenEntry &entry, PathStatus &status);
