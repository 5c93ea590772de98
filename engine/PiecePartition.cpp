// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/PiecePartition.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>

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

// Few members are compared with each run's first.
constexpr std::size_t kFewMembers = 8;
// Bytes of each piece hashed first: pieces of one size that differ mostly do
// so early, and these need no more hashing; those alike so far are hashed whole.
constexpr std::size_t kFirstHashed = 256;

using Positions = std::vector<std::size_t>; // into members and pieces

// Adds the runs of identical pieces among `ids`, each compared with each
// run's first; piece(i) is what was read of ids[i]. False, and nothing
// added, when there would be more than `most` runs.
template <class Id, class Piece>
bool CompareWithFirsts(const std::vector<Id> &ids, Piece piece, std::size_t length, std::vector<std::vector<Id>> &parts,
                       std::size_t most = SIZE_MAX)
{
    const std::size_t before = parts.size();
    std::vector<const char *> firsts;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        std::size_t p = 0;
        while (p < firsts.size() && std::memcmp(firsts[p], piece(i), length) != 0)
            ++p;
        if (p == firsts.size()) {
            if (firsts.size() == most) {
                parts.resize(before);
                return false;
            }
            parts.emplace_back();
            firsts.push_back(piece(i));
        }
        parts[before + p].push_back(ids[i]);
    }
    return true;
}

// Many are sorted by a hash of their first `hashed` bytes; pieces can only
// be identical within a run of one hash.
void Partition(const Positions &at, const std::vector<const char *> &pieces, std::size_t length, std::size_t hashed,
               std::vector<Positions> &parts)
{
    if (at.size() <= kFewMembers) {
        CompareWithFirsts(
            at, [&](std::size_t n) { return pieces[at[n]]; }, length, parts);
        return;
    }
    std::vector<std::pair<std::size_t, std::size_t>> keyed; // hash, position
    keyed.reserve(at.size());
    for (std::size_t k : at)
        keyed.emplace_back(QuickHash(pieces[k], hashed), k);
    std::sort(keyed.begin(), keyed.end());
    Positions run;
    for (std::size_t i = 0, j; i < keyed.size(); i = j) {
        run.clear();
        for (j = i; j < keyed.size() && keyed[j].first == keyed[i].first; ++j)
            run.push_back(keyed[j].second);
        const auto piece = [&](std::size_t n) { return pieces[run[n]]; };
        // Alike in their heads, they are mostly copies of a few: compared
        // with each kind's first, and hashed whole only once there are many kinds.
        if (run.size() <= kFewMembers || hashed == length)
            CompareWithFirsts(run, piece, length, parts);
        else if (!CompareWithFirsts(run, piece, length, parts, kFewMembers))
            Partition(run, pieces, length, length, parts);
    }
}

} // namespace

std::vector<std::vector<std::uint32_t>> PartitionAlike(const std::vector<std::uint32_t> &members,
                                                       const std::vector<const char *> &pieces, std::size_t length)
{
    std::vector<std::vector<std::uint32_t>> runs;
    if (members.size() <= kFewMembers) {
        CompareWithFirsts(
            members, [&](std::size_t n) { return pieces[n]; }, length, runs);
        return runs;
    }
    Positions all(members.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    std::vector<Positions> parts;
    Partition(all, pieces, length, std::min(length, kFirstHashed), parts);
    // In the order of their first members, as the members came.
    std::sort(parts.begin(), parts.end(), [](const Positions &a, const Positions &b) { return a.front() < b.front(); });
    runs.resize(parts.size());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        runs[p].reserve(parts[p].size());
        for (std::size_t k : parts[p])
            runs[p].push_back(members[k]);
    }
    return runs;
}
