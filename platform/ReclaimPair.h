// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/KeptCopy.h"
#include "platform/ReclaimOutcome.h"
#include "platform/SeenEntry.h"

#include <optional>

class ProtectedFolders;
class ScanBoundary;

// A copy and the kept copy it is to be joined with, both reached afresh and
// found as the scan saw them, on one file system, and not one file seen twice.
struct ReclaimPair {
    SeenEntry file;
    PathStatus fileStatus;
    SeenEntry kept;
    PathStatus keptStatus;
};

// Opens both and makes every check deletion makes; the outcome when the
// copy must be left, none when the pair may be joined.
std::optional<ReclaimOutcome> OpenReclaimPair(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                              ScanBoundary *boundary, ProtectedFolders *protectedFolders,
                                              ReclaimPair &pair);
