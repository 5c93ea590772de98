// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CRC32Pas.h"
#include "engine/FileCRC32.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace
{
// zlib's own CRC-32: an independent reference for ours.
std::uint32_t ZlibCrc(const char *data, std::size_t n)
{
    return std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data), uInt(n)));
}
} // namespace

TEST(CRC32, VectorsAndEmptyInput)
{
    for (const auto &[text, crc] :
         {std::pair<std::string, std::uint32_t>{"123456789", 0xCBF43926u}, {"abc", 0x352441C2u}, {"", 0u}})
        EXPECT_EQ(~UpdateCRC32(0xFFFFFFFFu, text.data(), std::int32_t(text.size())), crc) << text;
    // Nothing to fold leaves the running value.
    const char b = 'x';
    EXPECT_EQ(UpdateCRC32(0x12345678u, &b, 0), 0x12345678u);
    EXPECT_EQ(UpdateCRC32(0x12345678u, &b, -5), 0x12345678u);
    EXPECT_EQ(UpdateCRC32(0x12345678u, nullptr, 10), 0x12345678u);
}

TEST(CRC32, EveryAlignmentAndTailLengthMatchesZlib)
{
    const std::string data = RandomBytes(70000, 11);
    for (std::size_t start = 0; start < 9; ++start)
        for (std::size_t len : {1u, 7u, 8u, 9u, 63u, 255u, 256u, 257u, 271u, 1000u, 4096u, 65536u, 69990u})
            EXPECT_EQ(~UpdateCRC32(0xFFFFFFFFu, data.data() + start, std::int32_t(len)),
                      ZlibCrc(data.data() + start, len))
                << start << "+" << len;
}

TEST(FileCRC32, WholeFilesAcrossBlockBoundariesAndUnreadablePaths)
{
    TempTree t;
    EXPECT_EQ(FileCRC32(t.write("empty", "")), 0u);
    EXPECT_EQ(FileCRC32(t.write("digits", "123456789")), 0xCBF43926u);
    for (std::size_t n : {65535u, 65536u, 65537u, 200000u}) {
        const std::string data = RandomBytes(n, unsigned(n));
        EXPECT_EQ(FileCRC32(t.write("f" + std::to_string(n), data)), ZlibCrc(data.data(), n)) << n;
    }
    EXPECT_EQ(FileCRC32(t.path("missing")), 0u);
    EXPECT_EQ(FileCRC32(t.mkdir("folder")), 0u);
    t.fifo("pipe");
    EXPECT_EQ(FileCRC32(t.path("pipe")), 0u); // and does not hang
}
