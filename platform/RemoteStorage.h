// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ExtentMap.h"

#include <string>

// True when the file system holding the open descriptor answers every call
// over a network or through a user-space daemon (NFS, SMB, FUSE, 9p, ...),
// so that each call waits for a round trip.
bool IsRemoteStorage(int fd);
// The same for the file system holding a path; false when it cannot be told.
bool IsRemoteStorage(const std::string &path);

// Both, and what else the file system's kind says of it (ExtentMap.h), from
// one statfs: whether it answers over a network, and whether its files may
// share storage.
struct FileSystemKind {
    bool remote = false;
    FileSystemTraits traits;
};
FileSystemKind KindOfFileSystem(int fd);
FileSystemKind KindOfFileSystem(const std::string &path);
