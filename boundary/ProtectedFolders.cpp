// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/ProtectedFolders.h"
#include "platform/FolderHandle.h"

#include <fcntl.h>

namespace
{

// Folder levels looked at above a folder; deeper trees are not met.
constexpr int kMostLevels = 4096;

} // namespace

ProtectedFolders::ProtectedFolders(const std::vector<std::string> &paths)
    : mounts_(paths.empty() ? MountTable() : MountTable::read())
{
    for (const std::string &path : paths)
        add(path);
}

void ProtectedFolders::add(const std::string &path)
{
    FolderHandle folder;
    if (folder.open(path) != 0)
        return;
    const PathStatus self = StatAt(folder.fd(), "");
    if (self.kind != FileKind::Directory)
        return;
    identities_.insert({self.identity.device, self.identity.inode});
    const std::string real = MountTable::realPathOf(folder.fd());
    if (const auto mount = mounts_.find(self.mountId);
        mount && !real.empty() && MountTable::isWithin(real, mount->mountPoint))
        folders_.push_back({mount->device, MountTable::innerPath(*mount, real)});
}

bool ProtectedFolders::holdsFile(const std::string &path)
{
    if (empty())
        return false;
    FolderHandle folder;
    std::string name;
    if (folder.openParentOf(path, name) != 0)
        return false;
    return holdsFolder(folder.fd());
}

// Nothing is remembered between calls: a folder moved into a protected one a
// moment ago is held now.
bool ProtectedFolders::holdsFolder(int folderFd)
{
    if (empty())
        return false;
    const PathStatus self = StatAt(folderFd, "");
    if (self.kind != FileKind::Directory)
        return false;
    return byAncestors(folderFd, self) || byInnerPath(folderFd, self);
}

// Climbs from the folder to the top of the tree it is reached through: a
// protected folder on the way holds it, whatever lies between (other mounts
// too).
bool ProtectedFolders::byAncestors(int folderFd, const PathStatus &self)
{
    FolderHandle up;
    int current = folderFd;
    PathStatus status = self;
    for (int level = 0; level < kMostLevels; ++level) {
        if (identities_.count({status.identity.device, status.identity.inode}) > 0)
            return true;
        FolderHandle parent(::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent.isOpen())
            return false;
        const PathStatus above = StatAt(parent.fd(), "");
        if (above.kind != FileKind::Directory
            || (above.identity.device == status.identity.device && above.identity.inode == status.identity.inode))
            return false; // the top
        up = std::move(parent);
        current = up.fd();
        status = above;
    }
    return false;
}

// A bind mount of a folder inside a protected one leads up past it; the
// folder's place inside its file system does not.
bool ProtectedFolders::byInnerPath(int folderFd, const PathStatus &self)
{
    if (folders_.empty())
        return false;
    const std::string real = MountTable::realPathOf(folderFd);
    const auto mount = mounts_.find(self.mountId);
    if (!mount)
        return false;
    // Where the kernel cannot tell the path, the mount's own top stands in: a
    // folder lies at least as deep as that.
    const std::string inner = !real.empty() && MountTable::isWithin(real, mount->mountPoint)
        ? MountTable::innerPath(*mount, real)
        : mount->root;
    for (const Folder &folder : folders_)
        if (folder.tableDevice == mount->device && MountTable::isWithin(inner, folder.innerPath))
            return true;
    return false;
}
