// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"

#include <string>

class FolderListing;
struct ScanContext;

// Appends the files of a folder and all folders below it that pass the
// filter, in walk order, advancing the bar by each file's share of the
// estimate. Takes over the listing given when a walk filled it (it is left
// empty), walks the tree itself otherwise.
void CollectFiles(ScanContext &context, const std::string &folder, CandidateList &list,
                  FolderListing *listing = nullptr);
