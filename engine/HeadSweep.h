// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ContentGrouper.h"
#include "engine/SweptHeads.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CandidateList;
struct SizeClass;

// On a spinning disk, files of one size lie all over it: comparing them size
// by size sends the head back and forth for every first block. This reads
// the first read of every file of the given sizes in one pass over the whole
// disk, in the order they lie (`sweep`: their indexes in the sorted list), and
// keeps of each only its digest: files whose digests differ differ, and are
// never visited again. The files still alike are then read from their start
// to their end, one at a time, in the order they lie: the first of a set to
// come is held whole, and each other is compared with it, byte for byte, as
// it is read. Held bytes stay within `memory`, less on a sweep of more than
// 64Ki files (see HeldRoom): the sets that find no room
// wait for the next pass, in the same order, over what is left. Sets larger
// than that room are left alike. In the first pass a file too large to read
// whole is read on to its end where the head stands, up to `readOnFirst`
// bytes in all, when it is at most 16 MiB or when its first read is like
// one met before of its size: coming back for it later would cost a move,
// and the page cache gives it to the second pass. One entry per size; none for a size left
// to the usual comparison (empty files) or not read through before Stop (the
// sizes decided before it still count). `afterEachFile` lets the window's
// clock go on meanwhile.
std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<std::uint32_t> &sweep, ReaderShared &shared,
                                                  std::size_t memory, std::size_t readOnFirst = 0,
                                                  const std::function<void()> &afterEachFile = {});
