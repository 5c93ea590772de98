// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/ReclaimOutcome.h"

struct ReclaimPair;
struct ReclaimEffect;

// Lets the copy share the kept copy's storage, range by range, through the
// kernel's deduplication request: the kernel compares the bytes under lock
// and shares only identical ranges, so a copy changed since the scan is
// reported as Changed, never joined. The copy keeps its inode, owner,
// permissions, times, extended attributes and links. Whether it shares now
// is read from the extent maps after, not taken from the kernel's answer: a
// file the kernel did not really share (too small to have blocks of its
// own) is left and releases nothing. `effect.released`: what the kernel
// newly shares of the copy, capped at the blocks it held.
ReclaimOutcome ShareStorage(const ReclaimPair &pair, ReclaimEffect &effect);
