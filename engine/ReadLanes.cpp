// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ReadLanes.h"
#include "engine/Candidate.h"
#include "engine/StorageProfiles.h"

#include <map>
#include <string>

ReadLanes PlanReadLanes(const CandidateList &sorted, const std::vector<SizeClass> &classes, StorageProfiles &profiles)
{
    ReadLanes plan;
    plan.laneOfClass.resize(classes.size());
    // Each device's profile, once its first file was met: a path is put
    // together only for that file.
    std::map<std::uint64_t, const StorageProfile *> byDevice;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const StorageProfile *careful = nullptr;
        std::uint64_t lastDevice = 0;
        for (std::size_t k = classes[c].begin; k < classes[c].end; ++k) {
            const std::uint64_t device = sorted[k].identity.device;
            if (careful && device == lastDevice)
                continue; // the files of a size mostly lie on one device
            lastDevice = device;
            const StorageProfile *&profile = byDevice[device];
            if (!profile)
                profile = &profiles.ofPath(std::string(sorted.path(k)), device);
            careful = careful ? &StorageProfiles::moreCareful(*careful, *profile) : profile;
        }
        unsigned lane = 0;
        while (lane < plan.lanes.size() && !(plan.lanes[lane].profile == *careful))
            ++lane;
        if (lane == plan.lanes.size())
            plan.lanes.push_back({*careful, {}});
        plan.lanes[lane].classes.push_back(c);
        plan.laneOfClass[c] = lane;
    }
    return plan;
}
