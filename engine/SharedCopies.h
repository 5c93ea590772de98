// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/SizeClassGroups.h"

#include <cstdint>

class StorageProfiles;

// Copies that take no extra space: all their storage is shared with another
// copy of their group (an earlier deduplication, a reflink copy). In a set
// of copies sharing one storage, all but one are counted.
struct SharedCopies {
    int copies = 0;
    std::int64_t bytes = 0;
};

// Asks the extent map of the members of the groups found, only on file
// systems that can share storage: elsewhere it makes no call at all.
SharedCopies CountSharedCopies(const OrderedGroups &groups, const StorageProfiles &profiles);
