// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "Candidate.h"
#include "ContentGrouper.h"
#include "DepthControl.h"
#include "SizeClassGroups.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ScanContext;

// The runs of the sorted list whose size some other file shares: only
// those are ever opened.
std::vector<SizeClass> sharedSizes(const CandidateList &sorted);

// Consecutive sizes handed to a reader at once, so that threads meet once per
// batch rather than once per size.
struct Batch {
    std::size_t firstClass, endClass;
};

// Few enough files per batch that every reader of a deep queue has some
// waiting, and at most 128.
std::vector<Batch> batchesOf(const std::vector<SizeClass> &classes, unsigned readers);

// A batch for each size, for reading them in an order of their own.
std::vector<Batch> oneBatchEach(const std::vector<SizeClass> &classes);

// Batches long enough that, taken in turn near the end, they would keep the
// other readers idle while one reader finishes them: the few largest sizes,
// usually. Longest first. A batch's length is counted in requests: a few
// per file to open and check it, and one per read of its bytes.
std::vector<std::size_t> longBatches(const std::vector<Batch> &batches, const std::vector<SizeClass> &classes,
                                     const CandidateList &sorted, unsigned readers, std::int64_t readSize);

// How many readers compare files side by side, and how that may change.
DepthControl::Range readerDepth(const ScanContext &ctx);
// The pieces the readers ask for, as suits the storage.
ContentGrouper::ReadSizes readSizes(const ScanContext &ctx);
