// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileRemoval.h"
#include "platform/EntryRename.h"
#include "platform/FreedesktopTrash.h"
#include "platform/ProtectedFolders.h"
#include "platform/SeenEntry.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int kMaxHiddenNameTries = 16;

std::string AbsolutePath(const std::string &path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char *here = ::getcwd(nullptr, 0);
    std::string absolute = std::string(here ? here : "") + "/" + path;
    std::free(here);
    return absolute;
}

// Where a file waits while its group's kept copy is checked.
struct Aside {
    FreedesktopTrash::Trashed trashed; // recycled
    std::string unusableTrash;         // recycling failed there, at the trash's fault
    std::string hiddenName;            // deleted for good: its name in its own folder
};

// A name of this process's own beside the file, short whatever the file's.
int MoveToHiddenName(const SeenEntry &entry, std::string &hidden)
{
    static std::atomic<std::uint64_t> counter{0};
    for (int tries = 0; tries < kMaxHiddenNameTries; ++tries) {
        hidden = std::string(kInTransitPrefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int error = RenameNoReplace(entry.folder, entry.name, entry.folder, hidden);
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

int MoveAside(const SeenEntry &entry, const std::string &path, const FileIdentity &seen, bool recycle, Aside &aside)
{
    if (recycle)
        return FreedesktopTrash::moveToTrash(entry.folder, entry.name, AbsolutePath(path), seen.device, &aside.trashed,
                                             &aside.unusableTrash);
    return MoveToHiddenName(entry, aside.hiddenName);
}

int PutBack(const SeenEntry &entry, bool recycle, const Aside &aside)
{
    if (recycle)
        return FreedesktopTrash::putBack(aside.trashed, entry.folder, entry.name);
    return RenameNoReplace(entry.folder, aside.hiddenName, entry.folder, entry.name);
}

// Whether the file's own name still leads to it after the move.
bool StillInPlace(const SeenEntry &entry, const FileIdentity &seen)
{
    PathStatus after;
    return StatEntry(entry, after) == 0 && after.identity.device == seen.device && after.identity.inode == seen.inode;
}

} // namespace

bool IsInTransitName(std::string_view name)
{
    if (name.starts_with(kInTransitPrefix))
        name.remove_prefix(kInTransitPrefix.size());
    else if (name.starts_with(kLinkingPrefix))
        name.remove_prefix(kLinkingPrefix.size());
    else
        return false;
    const std::size_t dash = name.find('-');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dash != std::string_view::npos && digits(name.substr(0, dash)) && digits(name.substr(dash + 1));
}

bool IsFileAsSeen(const std::string &path, const FileIdentity &seen)
{
    SeenEntry entry;
    PathStatus status;
    return OpenSeenEntry(path, seen, entry, status) == Standing::Seen;
}

RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle,
                               const RemovalChecks &checks)
{
    SeenEntry entry;
    PathStatus status;
    switch (OpenSeenEntry(path, seen, entry, status)) {
    case Standing::Gone:
        return RemovalOutcome::Gone;
    case Standing::Changed:
        return RemovalOutcome::Changed;
    case Standing::Unreachable:
        return RemovalOutcome::Refused;
    case Standing::Seen:
        break;
    }
    // Asked now, by the folder the file lies in, whatever the row said.
    if (checks.protectedFolders && checks.protectedFolders->holdsFolder(entry.folder.fd()))
        return RemovalOutcome::InProtectedFolder;
    if (!StillAdmitted(entry, status, checks.boundary))
        return RemovalOutcome::Protected;
    // A kept copy already gone needs no move to tell; a move and a put-back
    // would give the file a new status-change time.
    if (checks.keptCopyStands && !checks.keptCopyStands())
        return RemovalOutcome::LastCopy;
    Aside aside;
    if (const int error = MoveAside(entry, path, seen, recycle, aside)) {
        if (!aside.unusableTrash.empty() && checks.trashUnusable)
            checks.trashUnusable(aside.unusableTrash, error);
        return error == ENOENT && aside.unusableTrash.empty() ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    }
    // Success is only believed when the file has really left its place.
    if (StillInPlace(entry, seen))
        return RemovalOutcome::Refused;
    // Device and inode cannot tell one file reached through two mounts; the
    // kept copy vanishing with the move can.
    if (checks.keptCopyStands && !checks.keptCopyStands()) {
        PutBack(entry, recycle, aside);
        return RemovalOutcome::LastCopy;
    }
    if (!recycle && ::unlinkat(entry.folder.fd(), aside.hiddenName.c_str(), 0) != 0) {
        PutBack(entry, recycle, aside);
        return RemovalOutcome::Refused;
    }
    return RemovalOutcome::Removed;
}
