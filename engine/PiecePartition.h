// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Splits members into runs of identical bytes, byte for byte: pieces[k], of
// `length` bytes, is what was read of members[k]. Runs come in the order of
// their first member, and members keep their order within a run.
std::vector<std::vector<std::uint32_t>> PartitionAlike(const std::vector<std::uint32_t> &members,
                                                       const std::vector<const char *> &pieces, std::size_t length);
