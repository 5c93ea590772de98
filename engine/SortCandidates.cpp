// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "SortCandidates.h"

#include <algorithm>
#include <numeric>

void SortCandidates(CandidateList &list)
{
    auto &items = list.items();
    std::vector<std::uint32_t> order(items.size());
    std::iota(order.begin(), order.end(), 0u);
    auto sameFileOrder = [&](std::uint32_t a, std::uint32_t b) {
        const auto &x = items[a].identity, &y = items[b].identity;
        if (x.size != y.size)
            return x.size < y.size;
        if (x.device != y.device)
            return x.device < y.device;
        if (x.inode != y.inode)
            return x.inode < y.inode;
        return a < b;
    };
    std::sort(order.begin(), order.end(), sameFileOrder);
    // Hard links and folders met twice: one candidate per file, the first met.
    std::vector<std::uint32_t> kept;
    kept.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto &id = items[order[k]].identity;
        if (!kept.empty()) {
            const auto &prev = items[kept.back()].identity;
            if (prev.size == id.size && prev.device == id.device && prev.inode == id.inode && id.inode != 0)
                continue;
        }
        kept.push_back(order[k]);
    }
    std::sort(kept.begin(), kept.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto sa = items[a].identity.size, sb = items[b].identity.size;
        return sa != sb ? sa < sb : a < b;
    });
    std::vector<Candidate> sorted;
    sorted.reserve(kept.size());
    for (std::uint32_t k : kept)
        sorted.push_back(items[k]);
    items.swap(sorted);
}
