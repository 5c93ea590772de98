// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ReclaimOutcome.h"

#include <cstdint>

struct ReclaimPair;

// Lets the copy share the kept copy's storage, range by range, through the
// kernel's deduplication request: the kernel compares the bytes under lock
// and shares only identical ranges, so a copy changed since the scan is
// reported as Changed, never joined. The copy keeps its inode, owner,
// permissions, times, extended attributes and links. `releasable`: the most
// the file system may gain by it (0 when it shared everything already).
ReclaimOutcome ShareStorage(const ReclaimPair &pair, std::int64_t &releasable);

// Whether every extent of both files is the same shared extent of the disk.
bool SharesAllStorage(int fd, int otherFd);
