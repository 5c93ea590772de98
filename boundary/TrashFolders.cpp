// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/TrashFolders.h"
#include "boundary/UserHomes.h"
#include "platform/FileStatus.h"
#include "platform/FreedesktopTrash.h"

#include <unistd.h>

// Where the desktop keeps the home trash, and where it lies in the homes the
// password database gives, whatever the environment says; asked here, not
// under the lock, as the database may need a descriptor.
TrashFolders::TrashFolders()
    : mounts_(MountTable::read()), uid_(std::to_string(::getuid())), homeTrashes_{FreedesktopTrash::homeTrashPath()}
{
    for (const std::string &home : OwnHomes())
        homeTrashes_.push_back(home + "/.local/share/Trash");
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
    for (const std::string &trash : homeTrashes_) {
        if (const PathStatus st = StatPath(trash); st.kind == FileKind::Directory)
            folders_.emplace(st.identity.device, st.identity.inode);
    }
}

void TrashFolders::addTrashesOf(int folderFd, std::uint64_t device)
{
    const auto mounts = mounts_.onDevice(device);
    for (const MountTable::Mount *m : mounts)
        addTrashesAtTop(m->mountPoint);
    if (mounts.empty()) // a device the table names otherwise
        addTrashesAtTop(mounts_.topOf(MountTable::realPathOf(folderFd), device));
}

// By path, holding no descriptor: this runs under the lock the walk's threads
// take while they hold their folders open, and a shortage of descriptors
// must not hide a trash. A mount's top, as the table gives it, has no links.
void TrashFolders::addTrashesAtTop(const std::string &top)
{
    if (top.empty())
        return;
    const std::string base = top == "/" ? "" : top;
    add(base + "/.Trash-" + uid_);
    if (StatPathNoFollow(base + "/.Trash").kind == FileKind::Directory)
        add(base + "/.Trash/" + uid_);
}

void TrashFolders::add(const std::string &path)
{
    // Links are not followed: the walk never enters them either.
    if (const PathStatus st = StatPathNoFollow(path); st.kind == FileKind::Directory)
        folders_.emplace(st.identity.device, st.identity.inode);
}
