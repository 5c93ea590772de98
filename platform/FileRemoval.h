// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileIdentity.h"

#include <string>

// What became of one file the user asked to delete.
enum class RemovalOutcome {
    Removed, // moved to the trash or deleted
    Gone,    // nothing was there any more
    Changed, // something else is there now than what the scan saw; untouched
    Refused, // the system would not let it go; untouched
};

// Whether `path`, not followed through a link, still names the regular file
// the scan saw: same device, inode, size, modification and status-change time.
bool IsFileAsSeen(const std::string &path, const FileIdentity &seen);

// Deletes the file at `path` (raw bytes, any length) to the desktop's trash
// when `recycle`, otherwise for good — but only while the path still names
// the regular file the scan saw (`seen`). A file that cannot go to the trash
// stays where it is; it is never deleted for good instead.
RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle);
