// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileDeletion.h"
#include "actions/FileRecheck.h"
#include "platform/FileRemoval.h"

#include <cerrno>

RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle,
                               const RemovalChecks &checks)
{
    SeenEntry entry;
    PathStatus status;
    switch (RecheckFile(path, seen, checks.boundary, checks.protectedFolders, entry, status)) {
    case Recheck::Gone:
        return RemovalOutcome::Gone;
    case Recheck::Changed:
        return RemovalOutcome::Changed;
    case Recheck::Unreachable:
        return RemovalOutcome::Refused;
    case Recheck::InProtectedFolder:
        return RemovalOutcome::InProtectedFolder;
    case Recheck::NotAdmitted:
        return RemovalOutcome::Protected;
    case Recheck::Seen:
        break;
    }
    // A kept copy already gone needs no move to tell; a move and a put-back
    // would give the file a new status-change time.
    if (checks.keptCopyStands && !checks.keptCopyStands())
        return RemovalOutcome::LastCopy;
    FileAside aside(recycle);
    if (const int error = aside.moveAside(entry, path, seen)) {
        if (!aside.unusableTrash().empty() && checks.trashUnusable)
            checks.trashUnusable(aside.unusableTrash(), error);
        return error == ENOENT && aside.unusableTrash().empty() ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    }
    // Success is only believed when the file has really left its place.
    if (FileAside::stillInPlace(entry, seen))
        return RemovalOutcome::Refused;
    // Device and inode cannot tell one file reached through two mounts; the
    // kept copy vanishing with the move can.
    if (checks.keptCopyStands && !checks.keptCopyStands()) {
        aside.putBack(entry);
        return RemovalOutcome::LastCopy;
    }
    if (aside.finish(entry) != 0) {
        aside.putBack(entry);
        return RemovalOutcome::Refused;
    }
    return RemovalOutcome::Removed;
}
