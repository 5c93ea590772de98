// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "uScanThread_Short.h"

#include <gtest/gtest.h>

TEST(SortCandidates, NumericBySizeEvenPastTenDigitsAndOneEntryPerFile)
{
    CandidateList list;
    auto add = [&](std::int64_t size, std::uint64_t inode, const char *name) {
        FileIdentity id;
        id.size = size;
        id.device = 1;
        id.inode = inode;
        list.append(id, "/t/", name);
    };
    add(20000000000LL, 1, "huge");
    add(9999999999LL, 2, "ten-digits");
    add(5, 3, "small-b");
    add(5, 4, "small-a");
    add(5, 3, "small-b-again"); // same file met twice: the first one stays
    add(0, 5, "empty");
    SortCandidates(list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.path(0), "/t/empty");
    EXPECT_EQ(list.path(1), "/t/small-b");
    EXPECT_EQ(list.path(2), "/t/small-a");
    EXPECT_EQ(list.path(3), "/t/ten-digits");
    EXPECT_EQ(list.path(4), "/t/huge");
}
