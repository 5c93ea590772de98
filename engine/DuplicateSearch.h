// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "Candidate.h"

struct ScanContext;

// Forms the duplicate groups of a sorted list, adds their rows and shows the
// summary.
void FindDuplicateGroups(ScanContext &context, const CandidateList &sorted);
