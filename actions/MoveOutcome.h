// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// What became of one file to be moved into the folder the user chose. Every
// outcome but Moved and MovedOtherNamesStay leaves the file where it was,
// and nothing of it in that folder.
enum class MoveOutcome {
    Moved,                 // it lies in the folder now, and not where it was
    MovedOtherNamesStay,   // moved, but its other names where it was keep its bytes in use
    Gone,                  // nothing is at the path any more
    Changed,               // not what the scan saw any more
    Unreadable,            // it could not be read
    Refused,               // the system would not let it go from its folder
    Protected,             // no scan would offer it where it lies now (system tree, kernel guard)
    InProtectedFolder,     // in a folder the user protected
    LastCopy,              // the copy its group keeps changed or went (or went with it: one file seen twice)
    TargetInTrash,         // the folder chosen lies in the trash
    TargetInSystem,        // ... in a system tree
    TargetInSoftware,      // ... in installed software
    TargetUnreachable,     // it, or a folder below it, could not be opened or made
    TargetInsideItsFolder, // it lies inside the folder the file is in
    TargetReadOnly,        // its file system is read-only
    NoSpace,               // no room left there for the copy
    TargetRefused,         // the system would not let the copy be written there
    OwnerNotKept,          // the copy could not be given the file's owner and group
    CopyDiffered,          // read back, the copy was not the file's bytes
    NotWritten,            // syncing the copy to the disk failed
    TooManyNames,          // every numbered name tried was taken
    Stopped,               // Stop came while it was being copied
};
inline constexpr int kMoveOutcomeCount = int(MoveOutcome::Stopped) + 1;
