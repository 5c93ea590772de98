// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/SizeClassGroups.h"
#include "engine/StorageProfile.h"

#include <cstddef>
#include <vector>

class CandidateList;
class StorageProfiles;

// The sizes read under one profile, by readers of their own.
struct ReadLane {
    StorageProfile profile;
    std::vector<std::size_t> classes; // into the size classes, ascending
};

struct ReadLanes {
    std::vector<ReadLane> lanes;
    std::vector<unsigned> laneOfClass; // the lane of each size class
};

// Each size is read under the most careful profile of the devices its files
// lie on; sizes of one profile share a lane.
ReadLanes PlanReadLanes(const CandidateList &sorted, const std::vector<SizeClass> &classes, StorageProfiles &profiles);
