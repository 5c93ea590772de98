// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <vector>

// What the passes over a spinning disk found of one size, by index within
// the size (ascending). HeadSweep fills it; groupSizeClass compares only
// what it left alike.
struct SweptHeads {
    // Sets compared byte for byte to their ends, each member checked after
    // its last read: these are the size's groups.
    std::vector<std::vector<std::uint32_t>> groups;
    // Sets of two or more whose first reads gave one digest: still to be
    // compared, from their first byte.
    std::vector<std::vector<std::uint32_t>> alike;
    bool decided() const { return alike.empty(); }
};
