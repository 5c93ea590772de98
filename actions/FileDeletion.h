// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <functional>
#include <string>

class ProtectedFolders;
class ScanBoundary;

// What became of one file the user asked to delete.
enum class RemovalOutcome {
    Removed,           // moved to the trash or deleted
    Gone,              // nothing was there any more
    Changed,           // something else is there now than what the scan saw; untouched
    Refused,           // the system would not let it go; untouched
    Protected,         // no scan would offer it where it lies now (a system folder, a kernel guard); untouched
    InProtectedFolder, // it lies in a folder the user protected; untouched
    LastCopy,          // the copy its group keeps is gone, or went with it (one file seen twice); left or put back
};

// What a deletion checks besides the file itself.
struct RemovalChecks {
    // The run's boundary; a lone call without one builds its own.
    ScanBoundary *boundary = nullptr;
    // Whether the copy its group keeps is still the file the scan saw, asked
    // once the file has been moved aside. None: the group keeps no copy.
    std::function<bool()> keptCopyStands;
    // The folders the user protected; none: no folder is.
    ProtectedFolders *protectedFolders = nullptr;
    // Told where the trash was looked for, and the errno value, when the
    // trash itself could not be used.
    std::function<void(const std::string &trash, int error)> trashUnusable;
};

// Deletes the file at `path` (raw bytes, any length) to the desktop's trash
// when `recycle`, otherwise for good — but only while the file passes
// RecheckFile: still the regular file the scan saw (`seen`), in a folder of
// no system tree and none the user protected, not guarded by the kernel.
// The file is first moved aside (into the trash, or to a hidden name in its
// folder), then `checks.keptCopyStands` is asked (before the move too); when
// the kept copy went with it, the file is put back. A file that cannot go to
// the trash stays where it is; it is never deleted for good instead.
RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle,
                               const RemovalChecks &checks = {});
