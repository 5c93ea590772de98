// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "boundary/KnownMounts.h"
#include "platform/FileStatus.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The folders the user protected: nothing in them is ever checked or deleted.
// Each is known by the identity of the folder its path led to when this was
// made, and by its place inside its file system, so a file is held however it
// is reached: through a folder above, a link, or a bind mount of the folder,
// of one above it or of one inside it. The marks ask it of every file of a
// group; deletion and the other actions on files ask it again at the moment
// they act. Safe to ask from several threads at once.
class ProtectedFolders
{
public:
    ProtectedFolders() = default; // holds nothing
    // Paths that lead to no folder protect nothing.
    explicit ProtectedFolders(const std::vector<std::string> &paths);
    ProtectedFolders(const ProtectedFolders &) = delete;
    ProtectedFolders &operator=(const ProtectedFolders &) = delete;

    bool empty() const { return identities_.empty(); }

    // Whether the folder open as `folderFd` is a protected folder or lies
    // inside one. This is the one check: every other question comes to it.
    bool holdsFolder(int folderFd);
    // Whether the file at `path` (not followed through a final link) lies in
    // a protected folder: its folder is asked. A path whose folder cannot be
    // opened is held by none.
    bool holdsFile(const std::string &path);

private:
    struct Folder {
        std::uint64_t tableDevice = 0; // the mount table's major:minor of its file system
        std::string innerPath;         // its path inside that file system
    };
    using Identity = std::pair<std::uint64_t, std::uint64_t>; // device, inode

    void add(const std::string &path);
    bool byAncestors(int folderFd, const PathStatus &self);
    bool byInnerPath(int folderFd, const PathStatus &self);

    // Fixed once constructed.
    std::set<Identity> identities_;
    std::vector<Folder> folders_;
    KnownMounts mounts_;
};
