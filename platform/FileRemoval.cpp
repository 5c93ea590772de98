// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FileRemoval.h"
#include "EntryRename.h"
#include "FileStatus.h"
#include "FolderHandle.h"
#include "FreedesktopTrash.h"
#include "OpenFileLimit.h"
#include "ProtectedFolders.h"
#include "RemoteStorage.h"
#include "ScanBoundary.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace
{

constexpr int kMaxHiddenNameTries = 16;

bool MeansAbsent(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// The file's entry: the folder that holds it and its name there.
struct Entry {
    FolderHandle folder;
    std::string name;
    bool remote = false; // its status must come from the server, not a cache
};

int OpenEntry(const std::string &path, Entry &entry)
{
    // Run out of descriptors, the file is neither gone nor refused: wait.
    const int error = RetryWhileOutOfDescriptors([&] { return entry.folder.openParentOf(path, entry.name); });
    if (error == 0)
        entry.remote = IsRemoteStorage(entry.folder.fd());
    return error;
}

// Status of the entry without following a link; errno value on failure.
int StatEntry(const Entry &entry, PathStatus &status)
{
    status = StatAt(entry.folder.fd(), entry.name.c_str(), entry.remote);
    return status.kind == FileKind::Missing ? errno : 0;
}

// Where the path stands against the file the scan saw.
enum class Standing { Seen, Gone, Changed, Unreachable };

// Opens the entry at `path` and compares what is there, not followed through
// a link, with `seen`.
Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, Entry &entry, PathStatus &status)
{
    int error = OpenEntry(path, entry);
    if (error == 0)
        error = StatEntry(entry, status);
    if (error != 0)
        return MeansAbsent(error) ? Standing::Gone : Standing::Unreachable;
    return status.kind == FileKind::Regular && status.identity == seen ? Standing::Seen : Standing::Changed;
}

// Whether the boundary still lets the file be a candidate where it lies now.
bool StillAdmitted(const Entry &entry, const PathStatus &status, ScanBoundary *boundary)
{
    std::unique_ptr<ScanBoundary> own;
    if (!boundary)
        boundary = (own = std::make_unique<ScanBoundary>()).get();
    const FolderStanding standing = boundary->listedFolder(entry.folder.fd());
    return ScanBoundary::admitsFile(standing, StatAt(entry.folder.fd(), ""), entry.name, status);
}

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
int MoveToHiddenName(const Entry &entry, std::string &hidden)
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

int MoveAside(const Entry &entry, const std::string &path, const FileIdentity &seen, bool recycle, Aside &aside)
{
    if (recycle)
        return FreedesktopTrash::moveToTrash(entry.folder, entry.name, AbsolutePath(path), seen.device, &aside.trashed,
                                             &aside.unusableTrash);
    return MoveToHiddenName(entry, aside.hiddenName);
}

int PutBack(const Entry &entry, bool recycle, const Aside &aside)
{
    if (recycle)
        return FreedesktopTrash::putBack(aside.trashed, entry.folder, entry.name);
    return RenameNoReplace(entry.folder, aside.hiddenName, entry.folder, entry.name);
}

// Whether the file's own name still leads to it after the move.
bool StillInPlace(const Entry &entry, const FileIdentity &seen)
{
    PathStatus after;
    return StatEntry(entry, after) == 0 && after.identity.device == seen.device && after.identity.inode == seen.inode;
}

} // namespace

bool IsInTransitName(std::string_view name)
{
    if (!name.starts_with(kInTransitPrefix))
        return false;
    name.remove_prefix(kInTransitPrefix.size());
    const std::size_t dash = name.find('-');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return dash != std::string_view::npos && digits(name.substr(0, dash)) && digits(name.substr(dash + 1));
}

bool IsFileAsSeen(const std::string &path, const FileIdentity &seen)
{
    Entry entry;
    PathStatus status;
    return OpenSeenEntry(path, seen, entry, status) == Standing::Seen;
}

RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle,
                               const RemovalChecks &checks)
{
    Entry entry;
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
