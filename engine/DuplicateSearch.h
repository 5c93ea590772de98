// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"

struct ScanContext;

// Forms the duplicate groups of a sorted list, adds their rows and shows the
// summary. On a spinning disk it first puts the files of each size in the
// order they lie there.
void FindDuplicateGroups(ScanContext &context, CandidateList &sorted);
