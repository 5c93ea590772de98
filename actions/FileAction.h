// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/ActionFile.h"

#include <cstdint>
#include <optional>

class KeptCopyGuard;
class ProtectedFolders;
class ScanBoundary;
struct ActionTally;

// What every action checks a file against, built on the run's thread.
struct ActionContext {
    ScanBoundary &boundary;
    ProtectedFolders &protectedFolders;
    const KeptCopyGuard &guard;
};

// How one file came out, as the list and the tally see it.
struct FileVerdict {
    enum Kind {
        Done,              // deleted, sharing storage or linked: its row leaves
        Gone,              // nothing was there any more: its row leaves, uncounted
        Left,              // untouched: its row stays
        InProtectedFolder, // untouched, in a folder the user protected: its row stays
    };
    Kind kind = Left;
    int reason = -1;        // why it was left, in the action's own numbering; -1: not told apart
    std::int64_t bytes = 0; // released by it, when the action does not measure at the end
};

// What a run does to each of its chosen files, on the run's own thread (see
// ActionRunner). A new action is a class of this kind: apply() changes one
// file, after checking it again (FileRecheck.h), and says what became of it.
class FileAction
{
public:
    virtual ~FileAction() = default;
    virtual FileVerdict apply(const ActionFile &file, const ActionContext &context) = 0;
    // After the last file, on the run's thread: the bytes the run released
    // as measured, for an action that measures them itself; none: the sum
    // of the verdicts'.
    virtual std::optional<std::int64_t> measuredRelease() { return std::nullopt; }
    // Adds what the action noticed besides the files. Asked on the owner's
    // thread while apply() may run on the run's: guard what both touch.
    virtual void note(ActionTally &) const { }
};
