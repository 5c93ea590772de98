// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FormatByteSize.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

TEST(FormatByteSize, WritesUnitsAboveTheirBoundaries)
{
    const std::pair<std::int64_t, const char *> cases[]
        = {{0, "0 bytes"},         {1, "1 bytes"},       {1024, "1024 bytes"}, {1025, "1 KB"},
           {1536, "1.5 KB"},       {1048576, "1024 KB"}, {1048577, "1 MB"},    {1073741824, "1024 MB"},
           {1610612736, "1.5 GB"}, {4096, "4 KB"},       {1280, "1.25 KB"},    {3000000000LL, "2.79 GB"},
           {1048575, "1024 KB"},   {-5, "-5 bytes"}};
    for (const auto &[bytes, text] : cases)
        EXPECT_EQ(FormatByteSize(bytes, "."), text) << bytes;
}

TEST(FormatByteSize, WritesTheLocalesDecimalSeparator)
{
    EXPECT_EQ(FormatByteSize(1536, ","), "1,5 KB");
    EXPECT_EQ(FormatByteSize(3000000000LL, ","), "2,79 GB");
    EXPECT_EQ(FormatByteSize(4096, ","), "4 KB");

    // The user's locale is read once per process, so a fresh one reads it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<const char *, const char *> locales[] = {{"de_DE.UTF-8", "1,5 KB"}, {"en_GB.UTF-8", "1.5 KB"}};
    for (const auto &[locale, text] : locales) {
        ScopedEnv lcAll("LC_ALL", locale);
        EXPECT_EXIT(std::exit(FormatByteSize(1536) == text ? 0 : 1), ::testing::ExitedWithCode(0), "") << locale;
    }
}
