// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/SharedCopies.h"
#include "engine/StorageProfiles.h"
#include "platform/ExtentMap.h"

#include <algorithm>
#include <vector>

SharedCopies CountSharedCopies(const OrderedGroups &groups, const StorageProfiles &profiles)
{
    SharedCopies shared;
    for (const std::vector<ResultRow> &rows : groups) {
        std::vector<ExtentMap> maps; // of the members seen so far that share all they hold
        for (const ResultRow &row : rows) {
            if (!profiles.sharesStorage(row.identity.device))
                continue;
            std::optional<ExtentMap> map = ExtentsOfPath(row.path);
            if (!map || map->empty()
                || !std::all_of(map->begin(), map->end(), [](const Extent &e) { return e.shared; }))
                continue;
            if (std::any_of(maps.begin(), maps.end(),
                            [&](const ExtentMap &other) { return SameStorage(*map, other); })) {
                ++shared.copies;
                shared.bytes += row.identity.size;
            } else {
                maps.push_back(std::move(*map));
            }
        }
    }
    return shared;
}
