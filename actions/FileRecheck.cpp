// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileRecheck.h"
#include "platform/ProtectedFolders.h"
#include "platform/ScanBoundary.h"

#include <memory>

namespace
{

bool StillAdmitted(const SeenEntry &entry, const PathStatus &status, ScanBoundary *boundary)
{
    std::unique_ptr<ScanBoundary> own;
    if (!boundary)
        boundary = (own = std::make_unique<ScanBoundary>()).get();
    const FolderStanding standing = boundary->listedFolder(entry.folder.fd());
    return ScanBoundary::admitsFile(standing, StatAt(entry.folder.fd(), ""), entry.name, status);
}

} // namespace

Recheck RecheckFile(const std::string &path, const FileIdentity &seen, ScanBoundary *boundary,
                    ProtectedFolders *protectedFolders, SeenEntry &entry, PathStatus &status)
{
    switch (OpenSeenEntry(path, seen, entry, status)) {
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
