// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"
#include "engine/ContentGrouper.h"
#include "engine/SizeClassGroups.h"
#include "platform/DepthControl.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ReadLanes;

// The runs of the sorted list whose size some other file shares: only
// those are ever opened.
std::vector<SizeClass> sharedSizes(const CandidateList &sorted);

// Consecutive sizes of one lane handed to a reader at once, so that threads
// meet once per batch rather than once per size.
struct Batch {
    std::size_t firstClass, endClass;
    unsigned lane = 0;
};

// Few enough files per batch that every reader of a deep queue has some
// waiting, and at most 128; a batch for each size in a lane read in the
// order the data lies, whose sizes are taken in an order of their own.
std::vector<Batch> batchesOf(const std::vector<SizeClass> &classes, const ReadLanes &lanes);

// The batches of a lane long enough that, taken in turn near the end, they
// would keep the lane's other readers idle while one reader finishes them:
// the few largest sizes, usually. Longest first. A batch's length is counted
// in requests: a few per file to open and check it, and one per read of its
// bytes.
std::vector<std::size_t> longBatches(const std::vector<Batch> &batches, unsigned lane,
                                     const std::vector<SizeClass> &classes, const CandidateList &sorted,
                                     unsigned readers, std::int64_t readSize);
