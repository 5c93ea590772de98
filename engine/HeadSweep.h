// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ContentGrouper.h"
#include "PhysicalOrder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CandidateList;
struct SizeClass;

// What the passes over a spinning disk found of one size: the members whose
// bytes read so far came out alike, byte for byte.
struct SweptHeads {
    std::vector<std::vector<std::uint32_t>> alike; // indexes within the size, ascending; sets of two or more
    bool whole = false; // the files were read to their ends, each checked after it: the sets are its groups
};

// On a spinning disk, files of one size lie all over it: comparing them size
// by size sends the head back and forth for every first block. This reads
// the first read of every file of the shared sizes in one pass, in the order
// they lie on the disk (`places`, by index in the sorted list), and compares
// them byte for byte; what differs there is never visited again. The bytes
// are held until the pass ends, so the sizes are swept in windows of at most
// `memory` bytes, taken in `sizeOrder`. A second pass, in the same order and
// windows, reads the sets still alike of sizes up to the reading sizes'
// `straightUpTo` to their ends, where set by set the head would go back and
// forth between copies for every file. One entry per size; none for a size
// left to the usual comparison (empty files, a size too large for a window,
// a size the first pass did not finish before Stop; the sizes read through
// before it still count; a size the second pass did not finish keeps what
// the first found).
// `afterEachFile` lets the window's clock go on meanwhile.
std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<DiskPlace> &places, ContentGrouper::Shared &shared,
                                                  std::size_t memory, const std::function<void()> &afterEachFile = {});
