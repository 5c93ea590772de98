// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/ReclaimPair.h"
#include "platform/ProtectedFolders.h"

std::optional<ReclaimOutcome> OpenReclaimPair(const std::string &path, const FileIdentity &seen, const KeptCopy &kept,
                                              ScanBoundary *boundary, ProtectedFolders *protectedFolders,
                                              ReclaimPair &pair)
{
    switch (OpenSeenEntry(path, seen, pair.file, pair.fileStatus)) {
    case Standing::Gone:
        return ReclaimOutcome::Gone;
    case Standing::Changed:
        return ReclaimOutcome::Changed;
    case Standing::Unreachable:
        return ReclaimOutcome::Refused;
    case Standing::Seen:
        break;
    }
    if (protectedFolders && protectedFolders->holdsFolder(pair.file.folder.fd()))
        return ReclaimOutcome::InProtectedFolder;
    if (!StillAdmitted(pair.file, pair.fileStatus, boundary))
        return ReclaimOutcome::Protected;
    if (OpenSeenEntry(kept.path, kept.identity, pair.kept, pair.keptStatus) != Standing::Seen)
        return ReclaimOutcome::KeptCopyChanged;
    // Device and inode name the file, whatever mount it was reached through.
    if (pair.fileStatus.identity.device == pair.keptStatus.identity.device
        && pair.fileStatus.identity.inode == pair.keptStatus.identity.inode)
        return ReclaimOutcome::SameFile;
    if (pair.fileStatus.identity.device != pair.keptStatus.identity.device)
        return ReclaimOutcome::OtherFileSystem;
    return std::nullopt;
}
