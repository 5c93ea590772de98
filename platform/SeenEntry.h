// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"

#include <string>

class ScanBoundary;

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
// Whether the boundary still lets the file be a candidate where it lies now
// (no system tree, no kernel guard, no version-control store, no file
// mounted over another); without a boundary, one of its own.
bool StillAdmitted(const SeenEntry &entry, const PathStatus &status, ScanBoundary *boundary);
