// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/ActionFile.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class KeptCopyGuard;
class ProtectedFolders;
class ScanBoundary;
struct ActionTally;

// What every action checks a file against, built on the run's thread.
struct ActionContext {
    ScanBoundary &boundary;
    ProtectedFolders &protectedFolders;
    const KeptCopyGuard &guard;
    // Set when the owner pressed Stop: an action that takes long over one
    // file (a copy) ends it early, leaving the file as it was.
    const std::atomic<bool> *stop = nullptr;
};

// How one file came out, as the list and the tally see it.
struct FileVerdict {
    enum Kind {
        Done,              // deleted or moved: its row leaves
        Joined,            // sharing storage or linked (or found so): done, but the file stays, and so does its row
        Gone,              // nothing was there any more: its row leaves, uncounted
        Left,              // untouched: its row stays
        InProtectedFolder, // untouched, in a folder the user protected: its row stays
        Pending,           // taken up; its verdict comes later, from FileAction::settle()
    };
    Kind kind = Left;
    // Why it was left, or what is to be said of it done, in the action's own
    // numbering; -1: nothing.
    int reason = -1;
    std::int64_t bytes = 0;   // released by it
    bool bytesAtMost = false; // the file system may still hold some of them (a snapshot)
    // Joined: the file of its group it was joined with, by its place among
    // the files the run was given.
    std::size_t joinedWith = 0;
    // The file as the action left it, when that changed what the scan saw
    // (it is another name of the kept copy now): whoever holds the list takes
    // it as seen, so that a later action does not take the action's own
    // change for somebody else's.
    std::optional<FileIdentity> identity = std::nullopt;
    // The same for other files of its group, known by device and inode (the
    // kept copy, which a new link gives a new status-change time).
    std::vector<FileIdentity> renewed = {};
};

struct SettledFile {
    const ActionFile *file; // as apply() was given it
    FileVerdict verdict;
};

// What a run does to each of its chosen files, on the run's own thread (see
// ActionRunner). A new action is a class of this kind: apply() changes one
// file, after checking it again (FileRecheck.h), and says what became of it.
class FileAction
{
public:
    virtual ~FileAction() = default;
    virtual FileVerdict apply(const ActionFile &file, const ActionContext &context) = 0;
    // For an action that finishes its files in batches (one sync for many):
    // the files apply() took up as Pending and finished since, in any order.
    // Asked after each apply() and once more with `last` when the run ends
    // (at its end or after Stop), when every pending file must be given; one
    // not given by then counts as left.
    virtual std::vector<SettledFile> settle(const ActionContext &, bool /*last*/) { return {}; }
    // Adds what the action noticed besides the files. Asked on the owner's
    // thread while apply() may run on the run's: guard what both touch.
    virtual void note(ActionTally &) const { }
};
