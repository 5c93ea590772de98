// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FileRemoval.h"
#include "FileStatus.h"
#include "FolderHandle.h"
#include "FreedesktopTrash.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool MeansAbsent(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

// The file's entry: the folder that holds it and its name there.
struct Entry {
    FolderHandle folder;
    std::string name;
};

int OpenEntry(const std::string &path, Entry &entry)
{
    return entry.folder.openParentOf(path, entry.name);
}

// Status of the entry without following a link; errno value on failure.
int StatEntry(const Entry &entry, PathStatus &status)
{
    struct stat st;
    if (::fstatat(entry.folder.fd(), entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    status = FromStat(st);
    return 0;
}

// Where the path stands against the file the scan saw.
enum class Standing { Seen, Gone, Changed, Unreachable };

// Opens the entry at `path` and compares what is there, not followed through
// a link, with `seen`.
Standing OpenSeenEntry(const std::string &path, const FileIdentity &seen, Entry &entry)
{
    PathStatus status;
    int error = OpenEntry(path, entry);
    if (error == 0)
        error = StatEntry(entry, status);
    if (error != 0)
        return MeansAbsent(error) ? Standing::Gone : Standing::Unreachable;
    return status.kind == FileKind::Regular && status.identity == seen ? Standing::Seen : Standing::Changed;
}

std::string AbsolutePath(const std::string &path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char *here = ::getcwd(nullptr, 0);
    const std::string absolute = std::string(here ? here : "") + "/" + path;
    std::free(here);
    return absolute;
}

int Remove(const Entry &entry, const std::string &path, const FileIdentity &seen, bool recycle)
{
    if (!recycle)
        return ::unlinkat(entry.folder.fd(), entry.name.c_str(), 0) == 0 ? 0 : errno;
    return FreedesktopTrash::moveToTrash(entry.folder, entry.name, AbsolutePath(path), seen.device);
}

} // namespace

bool IsFileAsSeen(const std::string &path, const FileIdentity &seen)
{
    Entry entry;
    return OpenSeenEntry(path, seen, entry) == Standing::Seen;
}

RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle)
{
    Entry entry;
    switch (OpenSeenEntry(path, seen, entry)) {
    case Standing::Gone:
        return RemovalOutcome::Gone;
    case Standing::Changed:
        return RemovalOutcome::Changed;
    case Standing::Unreachable:
        return RemovalOutcome::Refused;
    case Standing::Seen:
        break;
    }
    if (const int error = Remove(entry, path, seen, recycle))
        return error == ENOENT ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    // Success is only believed when the file has really left its place.
    PathStatus after;
    if (StatEntry(entry, after) == 0 && after.identity.device == seen.device &&
        after.identity.inode == seen.inode)
        return RemovalOutcome::Refused;
    return RemovalOutcome::Removed;
}
