// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ReadBatches.h"
#include "engine/ReadLanes.h"

#include <algorithm>

std::vector<SizeClass> sharedSizes(const CandidateList &sorted)
{
    std::vector<SizeClass> classes;
    for (std::size_t i = 0, j; i < sorted.size(); i = j) {
        for (j = i + 1; j < sorted.size() && sorted[j].identity.size == sorted[i].identity.size; ++j) { }
        if (j - i >= 2)
            classes.push_back({i, j}); // a size no other file shares is never opened
    }
    return classes;
}

std::vector<Batch> batchesOf(const std::vector<SizeClass> &classes, const ReadLanes &lanes)
{
    std::vector<std::size_t> perBatch(lanes.lanes.size(), 1);
    for (std::size_t l = 0; l < lanes.lanes.size(); ++l) {
        const ReadLane &lane = lanes.lanes[l];
        if (lane.profile.order == ReadOrder::ByPlace)
            continue;
        std::size_t files = 0;
        for (std::size_t c : lane.classes)
            files += classes[c].end - classes[c].begin;
        perBatch[l] = std::clamp<std::size_t>(files / (8 * std::size_t(lane.profile.readers.most)), 1, 128);
    }
    std::vector<Batch> batches;
    for (std::size_t k = 0; k < classes.size();) {
        const unsigned lane = lanes.laneOfClass[k];
        Batch b{k, k, lane};
        std::size_t files = 0;
        while (b.endClass < classes.size() && lanes.laneOfClass[b.endClass] == lane && files < perBatch[lane]) {
            files += classes[b.endClass].end - classes[b.endClass].begin;
            ++b.endClass;
        }
        batches.push_back(b);
        k = b.endClass;
    }
    return batches;
}

std::vector<std::size_t> longBatches(const std::vector<Batch> &batches, unsigned lane,
                                     const std::vector<SizeClass> &classes, const CandidateList &sorted,
                                     unsigned readers, std::int64_t readSize)
{
    constexpr double kRequestsPerFile = 3;
    std::vector<double> requests(batches.size());
    double all = 0;
    for (std::size_t b = 0; b < batches.size(); ++b) {
        if (batches[b].lane != lane)
            continue;
        for (std::size_t k = batches[b].firstClass; k < batches[b].endClass; ++k) {
            const double files = double(classes[k].end - classes[k].begin);
            const double size = double(sorted[classes[k].begin].identity.size);
            requests[b] += files * (kRequestsPerFile + size / double(readSize));
        }
        all += requests[b];
    }
    // Half an even share of all the work is long.
    const double longOnes = all / (2.0 * std::max(1u, readers));
    std::vector<std::size_t> found;
    for (std::size_t b = 0; b < batches.size(); ++b)
        if (batches[b].lane == lane && requests[b] >= longOnes)
            found.push_back(b);
    std::sort(found.begin(), found.end(), [&](std::size_t a, std::size_t b) { return requests[a] > requests[b]; });
    if (found.size() > readers)
        found.resize(readers);
    return found;
}
