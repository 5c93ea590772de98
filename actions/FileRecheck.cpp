// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileRecheck.h"
#include "boundary/ProtectedFolders.h"
#include "boundary/ScanBoundary.h"

#include <memory>

namespace
{

bool StillAdmitted(const SeenEntry &entry, const PathStatus &status, ScanBoundary *boundary)
{
    std::unique_ptr<ScanBoundary> own;
    if (!boundary)
        boundary = (own = std::make_unique<ScanBoundary>()).get();
    PathStatus folder;
    const FolderStanding standing = boundary->listedFolder(entry.folder.fd(), nullptr, &folder);
    return ScanBoundary::admitsFile(standing, folder, entry.name, status);
}

} // namespace

Recheck RecheckFile(const std::string &path, const FileIdentity &seen, ScanBoundary *boundary,
                    ProtectedFolders *protectedFolders, SeenEntry &entry, PathStatus &status, RemoteDevices *devices)
{
    switch (OpenSeenEntry(path, seen, entry, status, devices)) {
    case Standing::Gone:
        return Recheck::Gone;
    case Standing::Changed:
        return Recheck::Changed;
    case Standing::Unreachable:
        return Recheck::Unreachable;
    case Standing::Seen:
        break;
    }
    if (protectedFolders && protectedFolders->holdsFolder(entry.folder.fd()))
        return Recheck::InProtectedFolder;
    if (!StillAdmitted(entry, status, boundary))
        return Recheck::NotAdmitted;
    return Recheck::Seen;
}
