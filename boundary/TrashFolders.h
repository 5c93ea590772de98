// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"
#include "platform/MountTable.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

// The user's trash folders, which a scan passes by as it passes system files:
// the home trash, and .Trash/$uid and .Trash-$uid at the top of every mount.
// They are known by device and inode, so a trash is recognised by whatever
// path the walk meets it. Safe to ask from several threads at once.
class TrashFolders
{
public:
    TrashFolders();
    TrashFolders(const TrashFolders &) = delete;
    TrashFolders &operator=(const TrashFolders &) = delete;

    // Whether the open folder `folderFd`, whose identity is `folder`, is one.
    bool contains(int folderFd, const FileIdentity &folder);

private:
    void addHomeTrash();
    void addTrashesOf(int folderFd, std::uint64_t device);
    void addTrashesAtTop(const std::string &top);
    void add(const std::string &path);

    MountTable mounts_;
    std::string uid_;
    std::vector<std::string> homeTrashes_; // paths, looked at once the walk starts
    std::mutex mutex_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> folders_; // device, inode
    bool homeLookedAt_ = false;
    std::unordered_set<std::uint64_t> devicesLookedAt_;
};
