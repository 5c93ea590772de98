// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "TrashFolders.h"
#include "FolderHandle.h"
#include "FreedesktopTrash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TrashFolders::TrashFolders() : mounts_(MountTable::read()), uid_(std::to_string(::getuid()))
{
}

bool TrashFolders::contains(int folderFd, const FileIdentity &folder)
{
    std::lock_guard lock(mutex_);
    // Looked up by the walk, not by whoever makes this object: a window
    // thread never waits for a file system.
    if (!homeLookedAt_)
        addHomeTrash();
    // A mount's trash is looked for once the walk reaches that mount, so
    // that mounts the scan never meets are never touched.
    if (devicesLookedAt_.insert(folder.device).second)
        addTrashesOf(folderFd, folder.device);
    return folders_.count({folder.device, folder.inode}) != 0;
}

void TrashFolders::addHomeTrash()
{
    homeLookedAt_ = true;
    // The home trash may be reached through links the user keeps: follow them.
    struct stat st;
    if (::stat(FreedesktopTrash::homeTrashPath().c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        folders_.emplace(st.st_dev, st.st_ino);
}

void TrashFolders::addTrashesOf(int folderFd, std::uint64_t device)
{
    const auto mounts = mounts_.onDevice(device);
    for (const MountTable::Mount *m : mounts)
        addTrashesAtTop(m->mountPoint);
    if (mounts.empty()) // a device the table names otherwise
        addTrashesAtTop(mounts_.topOf(MountTable::realPathOf(folderFd), device));
}

void TrashFolders::addTrashesAtTop(const std::string &top)
{
    FolderHandle topFolder, shared;
    if (top.empty() || topFolder.open(top) != 0)
        return;
    add(topFolder.fd(), (".Trash-" + uid_).c_str());
    if (shared.openChild(topFolder, ".Trash", false) == 0)
        add(shared.fd(), uid_.c_str());
}

void TrashFolders::add(int parentFd, const char *name)
{
    // Links are not followed: the walk never enters them either.
    struct stat st;
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        folders_.emplace(st.st_dev, st.st_ino);
}
