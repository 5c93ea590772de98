// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/KeptCopy.h"
#include "platform/HardLinkReplace.h"
#include "platform/ReclaimOutcome.h"
#include "platform/ReleasedSpace.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

class ProtectedFolders;
class ScanBoundary;

// How a copy gives back its space while its path stays.
enum class ReclaimKind {
    ShareStorage, // the copy shares the kept copy's storage, keeping its own name and settings
    HardLink,     // the copy's path becomes another name of the kept copy
};

// One run of reclaiming, behind ReclaimAction: every copy is checked as
// deletion checks it (RecheckFile), joined with its kept copy, and the space
// the file systems gained is measured at the end.
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
    ReclaimOutcome apply(const std::string &path, const FileIdentity &seen, const KeptCopy &kept, const Checks &checks);
    // The bytes released so far, as the file systems count them.
    std::int64_t released() { return space_.measure(); }

private:
    KeptCopy current(const KeptCopy &kept) const;

    ReclaimKind kind_;
    ReleasedSpace space_;
    // Kept copies this run linked to: a new link changes a file's status-change
    // time, which the next copy of its group must not take for a change.
    std::map<std::pair<std::uint64_t, std::uint64_t>, FileIdentity> linked_;
};
