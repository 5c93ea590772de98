// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <string>
#include <sys/stat.h>

enum class FileKind { Missing, Regular, Directory, Other };

struct PathStatus {
    FileKind kind = FileKind::Missing;
    FileIdentity identity;
    std::uint32_t owner = 0;         // user id
    std::uint32_t ownerGroup = 0;    // group id
    std::uint32_t permissions = 0;   // the mode's permission bits (07777)
    std::uint64_t links = 0;         // names the file has
    std::int64_t allocatedBytes = 0; // the storage it holds (blocks of 512 bytes), shared or not
    bool kernelProtected = false;    // immutable or append-only: the kernel bars its removal
    std::uint64_t mountId = 0;       // the mount it was reached through; 0 when the kernel does not tell
};

// Status of a path without following a final symbolic link.
PathStatus StatPathNoFollow(const std::string &path);
// Status of what a path leads to, following symbolic links.
PathStatus StatPath(const std::string &path);
// Status of an open file.
PathStatus StatOpenFile(int fd);
// Status of the entry `name` of the open folder `dirFd` (of `dirFd` itself
// when `name` is empty), never following a final link. With `fromServer`, a
// network or user-space file system is asked afresh rather than answered
// from its attribute cache. errno tells why on failure.
PathStatus StatAt(int dirFd, const char *name, bool fromServer = false);
// Translate a stat record into our identity and kind.
PathStatus FromStat(const struct stat &st);
