// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/PhysicalOrder.h"
#include "engine/Candidate.h"
#include "engine/ReadBatches.h"

#include <algorithm>
#include <numeric>
#include <utility>

DiskPlace PlaceOf(const FileIdentity &identity, const std::optional<std::uint64_t> &offset)
{
    return {identity.device, !offset, offset ? *offset : identity.inode, identity.inode};
}

std::optional<std::vector<std::size_t>> OrderByPlace(CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                     const ExtentLookup &lookup, const std::function<bool()> &cancelled,
                                                     std::vector<DiskPlace> *places)
{
    auto &items = sorted.items();
    if (places)
        places->assign(items.size(), DiskPlace{});
    std::vector<DiskPlace> firstPlace(classes.size());
    std::vector<std::pair<DiskPlace, CandidateList::Ref>> members;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        members.clear();
        for (std::size_t k = classes[c].begin; k < classes[c].end; ++k) {
            if (cancelled && cancelled())
                return std::nullopt;
            const FileIdentity id = sorted[k].identity;
            const auto offset = lookup ? lookup(std::string(sorted.path(k)), id) : std::nullopt;
            members.emplace_back(PlaceOf(id, offset), items[k]);
        }
        // Stable: files of one place (inode 0 on some file systems) keep the walk's order.
        std::stable_sort(members.begin(), members.end(), [](auto &a, auto &b) { return a.first < b.first; });
        for (std::size_t m = 0; m < members.size(); ++m) {
            items[classes[c].begin + m] = members[m].second;
            if (places)
                (*places)[classes[c].begin + m] = members[m].first;
        }
        firstPlace[c] = members.front().first;
    }
    std::vector<std::size_t> order(classes.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return firstPlace[a] < firstPlace[b]; });
    return order;
}
