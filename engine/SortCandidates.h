// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"

// Keeps one candidate per file (device and inode), the first met, and orders
// the rest by size; equal sizes keep walk order.
void SortCandidates(CandidateList &list);
