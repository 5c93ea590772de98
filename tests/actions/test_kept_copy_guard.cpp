// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/KeptCopyGuard.h"
#include "platform/FileStatus.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace
{

ActionFile Member(const std::string &path, int group, bool chosen, bool inProtectedFolder = false)
{
    return {path, {}, group, inProtectedFolder, chosen};
}

} // namespace

// What a run keeps of each group it touches: the members it leaves, in list
// order, and every member in a protected folder, chosen or not; nothing of
// a group it takes whole, and nothing is asked of groups it does not touch.
TEST(KeptCopyGuard, KeepsTheMembersARunLeavesAndEveryProtectedOne)
{
    const std::vector<ActionFile> files{Member("1a", 1, true),  Member("1b", 1, false), Member("1c", 1, false),
                                        Member("2a", 2, true),  Member("2b", 2, true),  Member("3a", 3, true, true),
                                        Member("3b", 3, false), Member("4a", 4, false), Member("4b", 4, false)};
    const KeptCopyGuard guard(files);
    ASSERT_TRUE(guard.keepsCopyOf(1));
    EXPECT_EQ(guard.firstKeptCopy(1)->path, "1b");
    EXPECT_FALSE(guard.keepsCopyOf(2)); // every copy chosen: the user's own choice
    EXPECT_EQ(guard.firstKeptCopy(2), nullptr);
    EXPECT_FALSE(guard.checkFor(2));
    ASSERT_TRUE(guard.keepsCopyOf(3));
    EXPECT_EQ(guard.firstKeptCopy(3)->path, "3a"); // a chosen copy in a protected folder stays first
    EXPECT_FALSE(guard.keepsCopyOf(4));            // no file of it in the run
    EXPECT_FALSE(KeptCopyGuard().keepsCopyOf(1));
}

// A group stands while one copy it keeps is still the file the scan saw.
TEST(KeptCopyGuard, AGroupStandsWhileOneKeptCopyIsAsSeen)
{
    TempTree tree;
    const auto seen = [&](const std::string &relative, bool chosen) {
        const std::string path = tree.write(relative, "copy");
        return ActionFile{path, StatPathNoFollow(path).identity, 1, false, chosen};
    };
    const std::vector<ActionFile> files{seen("going", true), seen("first", false), seen("second", false)};
    const KeptCopyGuard guard(files);
    const std::function<bool()> check = guard.checkFor(1);
    ASSERT_TRUE(check);
    EXPECT_TRUE(check());
    fs::remove(tree.path("first"));
    EXPECT_TRUE(check());
    EXPECT_EQ(guard.firstKeptCopy(1)->path, tree.path("first")); // named still, though gone
    tree.write("second", "other");                               // same place, other bytes and times
    tree.setTime("second", 1000000000);
    EXPECT_FALSE(check());
    EXPECT_FALSE(guard.keptCopyStands(2));
}
