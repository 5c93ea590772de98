#include "CRC32Pas.h"
#include "RandomBytes.h"
#include "TempTree.h"
#include "uScanThread_Short.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace {
std::uint32_t crcOf(const std::string &s)
{
    return ~UpdateCRC32(0xFFFFFFFFu, s.data(), std::int32_t(s.size()));
}
} // namespace

TEST(CRC32, TableAndKnownVectors)
{
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
    EXPECT_EQ(crcOf("123456789"), 0xCBF43926u);
    EXPECT_EQ(crcOf("abc"), 0x352441C2u);
    EXPECT_EQ(crcOf(""), 0u);
}

TEST(CRC32, NothingToFoldLeavesTheRunningValue)
{
    const char b = 'x';
    EXPECT_EQ(UpdateCRC32(0x12345678u, &b, 0), 0x12345678u);
    EXPECT_EQ(UpdateCRC32(0x12345678u, &b, -5), 0x12345678u);
    EXPECT_EQ(UpdateCRC32(0x12345678u, nullptr, 10), 0x12345678u);
}

TEST(CRC32, FastPathMatchesTheByteTableAtEveryAlignmentAndLength)
{
    const std::string data = RandomBytes(1000, 7);
    for (std::size_t start = 0; start < 9; ++start)
        for (std::size_t len : {0u, 1u, 7u, 8u, 9u, 63u, 500u}) {
            std::uint32_t slow = 0xFFFFFFFFu;
            for (std::size_t i = start; i < start + len; ++i)
                slow = (slow >> 8) ^ CRC32Table[(slow ^ std::uint8_t(data[i])) & 0xFF];
            EXPECT_EQ(UpdateCRC32(0xFFFFFFFFu, data.data() + start, std::int32_t(len)), slow);
        }
}

TEST(FileCRC32, WholeFilesAcrossBlockBoundaries)
{
    TempTree t;
    EXPECT_EQ(FileCRC32(t.write("empty", "")), 0u);
    EXPECT_EQ(FileCRC32(t.write("digits", "123456789")), 0xCBF43926u);
    EXPECT_EQ(FileCRC32(t.write("abc", "abc")), 0x352441C2u);
    for (std::size_t n : {65535u, 65536u, 65537u, 200000u}) {
        const std::string data = RandomBytes(n, unsigned(n));
        const auto expected = std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.data()), uInt(n)));
        EXPECT_EQ(FileCRC32(t.write("f" + std::to_string(n), data)), expected) << n;
    }
}

TEST(FileCRC32, UnreadablePathsGiveZero)
{
    TempTree t;
    EXPECT_EQ(FileCRC32(t.path("missing")), 0u);
    EXPECT_EQ(FileCRC32(t.mkdir("folder")), 0u);
    t.fifo("pipe");
    EXPECT_EQ(FileCRC32(t.path("pipe")), 0u); // and does not hang
}

TEST(GetFileSize64, SizesFilesOnly)
{
    TempTree t;
    EXPECT_EQ(GetFileSize64(t.write("f", std::string(1024, 'a'))), 1024);
    EXPECT_EQ(GetFileSize64(t.path("missing")), 0);
    EXPECT_EQ(GetFileSize64(t.mkdir("d")), 0);
}

TEST(CRC32, LongBuffersMatchTheByteTableAtEveryTailLength)
{
    const std::string data = RandomBytes(70000, 11);
    for (std::size_t len : {255u, 256u, 257u, 271u, 320u, 1000u, 4096u, 65536u, 69999u})
        for (std::size_t start : {0u, 3u}) {
            std::uint32_t slow = 0x1234567u;
            for (std::size_t i = start; i < start + len; ++i)
                slow = (slow >> 8) ^ CRC32Table[(slow ^ std::uint8_t(data[i])) & 0xFF];
            EXPECT_EQ(UpdateCRC32(0x1234567u, data.data() + start, std::int32_t(len)), slow) << len;
        }
}
