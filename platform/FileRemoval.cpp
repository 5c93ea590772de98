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

bool IsSeenFile(const PathStatus &status, const FileIdentity &seen)
{
    return status.kind == FileKind::Regular && status.identity == seen;
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

RemovalOutcome ShellDeleteFile(const std::string &path, const FileIdentity &seen, bool recycle)
{
    Entry entry;
    if (const int error = OpenEntry(path, entry))
        return MeansAbsent(error) ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    PathStatus before;
    if (const int error = StatEntry(entry, before))
        return MeansAbsent(error) ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    if (!IsSeenFile(before, seen))
        return RemovalOutcome::Changed;
    if (const int error = Remove(entry, path, seen, recycle))
        return error == ENOENT ? RemovalOutcome::Gone : RemovalOutcome::Refused;
    // Success is only believed when the file has really left its place.
    PathStatus after;
    if (StatEntry(entry, after) == 0 && after.identity.device == seen.device &&
        after.identity.inode == seen.inode)
        return RemovalOutcome::Refused;
    return RemovalOutcome::Removed;
}
