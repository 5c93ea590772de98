// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Pieces split into runs of identical bytes, however many and wherever they differ.
#include "engine/PiecePartition.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace
{

// Each member compared with every run's first, in turn: the plain answer.
std::vector<std::vector<std::uint32_t>> ComparedOneByOne(const std::vector<std::uint32_t> &members,
                                                         const std::vector<std::string> &bytes)
{
    std::vector<std::vector<std::uint32_t>> runs;
    std::vector<std::size_t> firsts;
    for (std::size_t k = 0; k < members.size(); ++k) {
        std::size_t p = 0;
        while (p < runs.size() && bytes[firsts[p]] != bytes[k])
            ++p;
        if (p == runs.size()) {
            runs.emplace_back();
            firsts.push_back(k);
        }
        runs[p].push_back(members[k]);
    }
    return runs;
}

} // namespace

TEST(PiecePartition, ManyPiecesAlikeInTheirHeadsOrWholeSplitAsComparedOneByOne)
{
    std::mt19937 random(7);
    for (const std::size_t length : {0u, 1u, 31u, 255u, 256u, 257u, 4096u}) {
        for (const std::size_t count : {2u, 8u, 9u, 40u, 300u}) {
            // Some differ early, many share a long head and differ near the
            // end, and some are copies of others.
            std::vector<std::string> bytes;
            for (std::size_t k = 0; k < count; ++k) {
                std::string piece(length, 'h');
                const unsigned kind = random() % 4;
                if (kind == 3 && k > 0) {
                    piece = bytes[random() % k];
                } else if (length > 0) {
                    const std::size_t at = kind == 0 ? 0 : length - 1 - random() % std::min<std::size_t>(length, 3);
                    piece[at] = char('a' + random() % 6);
                }
                bytes.push_back(piece);
            }
            std::vector<std::uint32_t> members;
            std::vector<const char *> pieces;
            for (std::size_t k = 0; k < count; ++k) {
                members.push_back(std::uint32_t(100 + 3 * k));
                pieces.push_back(bytes[k].data());
            }
            EXPECT_EQ(PartitionAlike(members, pieces, length), ComparedOneByOne(members, bytes))
                << length << " bytes, " << count << " pieces";
        }
    }
}

TEST(PiecePartition, CopiesOfAFewKindsAlikeInTheirHeadsSplitByKindInOrder)
{
    for (const std::size_t kinds : {1u, 3u, 8u, 9u, 20u}) {
        std::vector<std::string> bytes;
        std::vector<std::uint32_t> members;
        std::vector<const char *> pieces;
        for (std::uint32_t k = 0; k < 200; ++k) {
            std::string piece(1000, 'h');
            piece[999] = char('A' + (k * 7) % kinds);
            bytes.push_back(piece);
            members.push_back(k);
        }
        for (const std::string &b : bytes)
            pieces.push_back(b.data());
        const auto runs = PartitionAlike(members, pieces, 1000);
        EXPECT_EQ(runs, ComparedOneByOne(members, bytes)) << kinds << " kinds";
        EXPECT_EQ(runs.size(), kinds);
    }
}
