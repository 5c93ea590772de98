// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/PiecePartition.h"

#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace
{

// A hash only sorts pieces into buckets, each then compared byte for byte, so
// it needs to be quick more than strong: four words at a time, multiplied
// and mixed, at about the cost of comparing the bytes once.
std::size_t QuickHash(const char *bytes, std::size_t length)
{
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t a = length, b = 0x9e3779b97f4a7c15ULL, c = 1, d = 2;
    std::size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        std::uint64_t w[4];
        std::memcpy(w, bytes + i, sizeof w);
        a = (a ^ w[0]) * kPrime;
        b = (b ^ w[1]) * kPrime;
        c = (c ^ w[2]) * kPrime;
        d = (d ^ w[3]) * kPrime;
    }
    for (; i < length; ++i)
        a = (a ^ std::uint8_t(bytes[i])) * kPrime;
    return std::size_t(a ^ (b << 1) ^ (c << 2) ^ (d << 3) ^ (d >> 29));
}

} // namespace

std::vector<std::vector<std::uint32_t>> PartitionAlike(const std::vector<std::uint32_t> &members,
                                                       const std::vector<const char *> &pieces, std::size_t length)
{
    std::vector<std::vector<std::uint32_t>> parts;
    std::vector<const char *> reps;
    // Few members are compared with each run's first; many are hashed first.
    if (members.size() <= 8) {
        for (std::size_t k = 0; k < members.size(); ++k) {
            std::size_t p = 0;
            while (p < parts.size() && std::memcmp(reps[p], pieces[k], length) != 0)
                ++p;
            if (p == parts.size()) {
                parts.emplace_back();
                reps.push_back(pieces[k]);
            }
            parts[p].push_back(members[k]);
        }
        return parts;
    }
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const char *piece = pieces[k];
        std::vector<std::size_t> &candidates = byHash[QuickHash(piece, length)];
        std::size_t found = parts.size();
        for (std::size_t p : candidates)
            if (std::memcmp(reps[p], piece, length) == 0) {
                found = p;
                break;
            }
        if (found == parts.size()) {
            parts.emplace_back();
            reps.push_back(piece);
            candidates.push_back(found);
        }
        parts[found].push_back(members[k]);
    }
    return parts;
}
