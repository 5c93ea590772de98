// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/KeptCopy.h"
#include "platform/ExtentMap.h"
#include "platform/HardLinkReplace.h"
#include "platform/OpenedDescriptor.h"
#include "platform/ReclaimOutcome.h"
#include "platform/ReclaimPair.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class ProtectedFolders;
class ScanBoundary;

// How a copy gives back its space while its path stays.
enum class ReclaimKind {
    ShareStorage, // the copy shares the kept copy's storage, keeping its own name and settings
    HardLink,     // the copy's path becomes another name of the kept copy
};

// What became of one copy.
struct Reclaimed {
    ReclaimOutcome outcome = ReclaimOutcome::Refused;
    ReclaimEffect effect;
    // Done or AlreadyDone by a hard link: what the copy's path names now
    // (the kept copy, with its new status-change time).
    std::optional<FileIdentity> identity;
    // Files of its group the step changed besides (by device and inode).
    std::vector<FileIdentity> renewed;
};

// One run of reclaiming, behind ReclaimAction: every copy is checked as
// deletion checks it (RecheckFile), joined with its kept copy, and what it
// released is read from the files themselves, never from the whole file
// system, so that other programs' writes change nothing of the figure.
class SpaceReclaimer
{
public:
    struct Checks {
        ScanBoundary *boundary = nullptr; // none: one of its own per call
        ProtectedFolders *protectedFolders = nullptr;
        LinkStepHook atLinkStep; // hard links only
    };

    explicit SpaceReclaimer(ReclaimKind kind) : kind_(kind) { }

    // Joins the copy at `path`, as the scan saw it (`seen`), with `kept`.
    Reclaimed apply(const std::string &path, const FileIdentity &seen, const KeptCopy &kept, const Checks &checks);
    // The bytes released so far, and whether a snapshot may still hold some.
    std::int64_t released() const { return released_; }
    bool releasedAtMost() const { return releasedAtMost_; }

private:
    using Key = std::pair<std::uint64_t, std::uint64_t>; // device, inode
    struct Renewal {
        FileIdentity before, after;
    };
    std::optional<ReclaimOutcome> openPair(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                           const Checks &checks, ReclaimPair &pair);
    bool reachKept(const KeptCopy &kept, ReclaimPair &pair);
    FileIdentity current(const FileIdentity &seen) const;
    void renew(const FileIdentity &before, const FileIdentity &after);
    const FileSystemTraits &traitsOf(std::uint64_t device, int folderFd);
    void renewAfterLink(const KeptCopy &kept, const ReclaimPair &pair, Reclaimed &result);

    ReclaimKind kind_;
    std::int64_t released_ = 0;
    bool releasedAtMost_ = false;
    // Files this run changed (a new link changes a file's status-change
    // time and link count), which later copies of their group must not
    // take for somebody else's change.
    std::map<Key, Renewal> renewals_;
    std::map<std::uint64_t, FileSystemTraits> traits_; // by device
    // The kept copy of the group in hand, its folder and the file held open
    // while its copies come one after another; asked by name each time.
    struct KeptInHand {
        std::string path;
        SeenEntry entry;
        OpenedDescriptor fd; // for reading
    };
    KeptInHand keptInHand_;
    RemoteDevices devices_;
};
