// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FileRemoval.h"
#include "platform/DirectoryReader.h"
#include "platform/EntryRename.h"
#include "platform/SeenEntry.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
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

// A name of this process's own beside the file, short whatever the file's.
int MoveToHiddenName(const SeenEntry &entry, std::string &hidden)
{
    for (int tries = 0; tries < kMaxHiddenNameTries; ++tries) {
        hidden = NextTransitName(kDeletingKind);
        const int error = RenameNoReplace(entry.folder, entry.name, entry.folder, hidden);
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

} // namespace

bool IsFileAsSeen(const std::string &path, const FileIdentity &seen)
{
    SeenEntry entry;
    PathStatus status;
    return OpenSeenEntry(path, seen, entry, status) == Standing::Seen;
}

int FileAside::moveAside(const SeenEntry &entry, const std::string &path, const FileIdentity &seen)
{
    if (recycle_)
        return FreedesktopTrash::moveToTrash(entry.folder, entry.name, AbsolutePath(path), seen.device, &trashed_,
                                             &unusableTrash_);
    return MoveToHiddenName(entry, hiddenName_);
}

int FileAside::putBack(const SeenEntry &entry) const
{
    if (recycle_)
        return FreedesktopTrash::putBack(trashed_, entry.folder, entry.name);
    return RenameNoReplace(entry.folder, hiddenName_, entry.folder, entry.name);
}

int FileAside::finish(const SeenEntry &entry) const
{
    if (recycle_)
        return 0;
    return ::unlinkat(entry.folder.fd(), hiddenName_.c_str(), 0) == 0 ? 0 : errno;
}

bool FileAside::stillInPlace(const SeenEntry &entry, const FileIdentity &seen)
{
    PathStatus after;
    return StatEntry(entry, after) == 0 && after.identity.device == seen.device && after.identity.inode == seen.inode;
}
