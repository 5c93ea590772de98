// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/SeenEntry.h"

#include <string>

class ProtectedFolders;
class ScanBoundary;

// Where a file a run is about to change stands now.
enum class Recheck {
    Seen,              // still the file the scan saw, and the user's to change
    Gone,              // nothing is at the path any more
    Changed,           // something else is there now than what the scan saw
    Unreachable,       // its folder or its status could not be had
    InProtectedFolder, // it lies in a folder the user protected
    NotAdmitted,       // no scan would offer it where it lies now (system tree, kernel guard)
};

// The one check every action makes of a file just before it changes it:
// its entry reached afresh (`entry`, `status`: what is there) and found as
// the scan saw it, its folder asked whether the user protected it, whatever
// its row said, and the boundary asked whether the file may still be a
// candidate where it lies now (no system tree, no kernel guard, no
// version-control store, no file mounted over another). Without a boundary,
// one of its own; without protected folders, none is.
// With `devices`, whether a file system is a share is asked once per device.
Recheck RecheckFile(const std::string &path, const FileIdentity &seen, ScanBoundary *boundary,
                    ProtectedFolders *protectedFolders, SeenEntry &entry, PathStatus &status,
                    RemoteDevices *devices = nullptr);
