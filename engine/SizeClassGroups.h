// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"
#include "engine/ResultRow.h"
#include "engine/SizeClass.h"

#include <cstddef>
#include <optional>
#include <vector>

class ContentGrouper;
class LocaleCompare;
struct SweptHeads;

using OrderedGroups = std::vector<std::vector<ResultRow>>;

// The groups of one size, in the order the result list shows them: groups
// follow the locale order of their first path, rows follow modification
// time, then path. Rows still lack their group number and check mark.
// Nothing when the comparison was cancelled: a group is never shown
// half-compared.
// Given what a sweep of the first reads found of the size, only its sets
// are compared further.
std::optional<OrderedGroups> groupSizeClass(const CandidateList &sorted, SizeClass sc, ContentGrouper &grouper,
                                            const LocaleCompare &locale, const SweptHeads *swept = nullptr);
