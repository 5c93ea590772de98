// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ExtentMap.h"
#include "platform/SeenEntry.h"

#include <cstdint>
#include <optional>

// A copy and the kept copy it is to be joined with, both reached afresh and
// found as the scan saw them, on one file system, and not one file seen
// twice: what the sharing and linking steps take. The checks that make a
// pair are the caller's.
struct ReclaimPair {
    SeenEntry file;
    PathStatus fileStatus;
    SeenEntry kept;
    PathStatus keptStatus;
    FileSystemTraits traits; // of the file system both lie on
    // The kept copy open for reading, when the caller holds it open across
    // its group; -1: the step opens it itself.
    int keptFd = -1;
};

// What a step did besides its outcome, told by the files themselves.
struct ReclaimEffect {
    // Storage the copy gave up that no other file held: its blocks when its
    // last name went (hard links), or what the kernel newly shares of it
    // (shared storage); never more than it held.
    std::int64_t released = 0;
    bool releasedAtMost = false; // a snapshot may still hold those blocks
    // Hard links: the replaced file as it stands after, when other names
    // still lead to it (its link count and status-change time moved).
    std::optional<PathStatus> replacedNow;
};
