// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/PiecePartition.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>

std::vector<std::vector<std::uint32_t>> PartitionAlike(const std::vector<std::uint32_t> &members,
                                                       const std::vector<const char *> &pieces, std::size_t length)
{
    std::vector<std::vector<std::uint32_t>> parts;
    std::vector<const char *> reps;
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    const bool hashed = members.size() > 8;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const char *piece = pieces[k];
        std::vector<std::size_t> *candidates = nullptr;
        std::vector<std::size_t> all;
        if (hashed) {
            candidates = &byHash[std::hash<std::string_view>{}(std::string_view(piece, length))];
        } else {
            all.resize(parts.size());
            for (std::size_t p = 0; p < parts.size(); ++p)
                all[p] = p;
            candidates = &all;
        }
        std::size_t found = parts.size();
        for (std::size_t p : *candidates)
            if (std::memcmp(reps[p], piece, length) == 0) {
                found = p;
                break;
            }
        if (found == parts.size()) {
            parts.emplace_back();
            reps.push_back(piece);
            if (hashed)
                candidates->push_back(found);
        }
        parts[found].push_back(members[k]);
    }
    return parts;
}
