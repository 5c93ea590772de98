// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>

// True when the file system holding the open descriptor answers every call
// over a network or through a user-space daemon (NFS, SMB, FUSE, 9p, ...),
// so that each call waits for a round trip.
bool IsRemoteStorage(int fd);
// The same for the file system holding a path; false when it cannot be told.
bool IsRemoteStorage(const std::string &path);
