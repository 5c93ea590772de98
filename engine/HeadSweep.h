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
// it is read. Held bytes stay within `memory`: the sets that find no room
// wait for the next pass, in the same order, over what is left. Sets larger
// than that room are left alike. One entry per size; none for a size left
// to the usual comparison (empty files) or not read through before Stop (the
// sizes decided before it still count). `afterEachFile` lets the window's
// clock go on meanwhile.
// What the first pass reads of each file, from its start: files of one size
// that differ nearly always differ there already. Every file of a set still
// alike is read again from its start in the second pass, so this much of it
// is read twice: the less, the closer the bytes read come to once each. The
// disk reads a block at least and the kernel reads ahead, so the rest of a
// small file then comes from the page cache, with no move of the head.
inline constexpr std::size_t kSweepFirstRead = 2048;

std::vector<std::optional<SweptHeads>> SweepHeads(const CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                  const std::vector<std::size_t> &sizeOrder,
                                                  const std::vector<std::uint32_t> &sweep,
                                                  ContentGrouper::Shared &shared, std::size_t memory,
                                                  const std::function<void()> &afterEachFile = {});
