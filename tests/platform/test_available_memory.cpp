// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/AvailableMemory.h"

#include <gtest/gtest.h>

TEST(AvailableMemory, TakenFromItsOwnLineInKibibytesAndNothingFromAnythingElse)
{
    const struct {
        const char *meminfo;
        std::optional<std::uint64_t> bytes;
    } cases[] = {
        {"MemTotal:       24576000 kB\nMemFree:         1000 kB\nMemAvailable:   20000000 kB\n", 20000000ull * 1024},
        {"MemAvailable: 0 kB\n", 0},
        {"MemTotal:       24576000 kB\nMemFree:         1000 kB\n", std::nullopt}, // kernels before 3.14
        {"XMemAvailable:   5 kB\n", std::nullopt},
        {"MemAvailable:   many kB\n", std::nullopt},
        {"MemAvailable:   5 pages\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.meminfo);
        EXPECT_EQ(MemAvailableIn(c.meminfo), c.bytes);
    }
    EXPECT_GT(AvailableMemory(), 0u); // this machine's, whichever way it is told
}
