// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/ProtectedFolders.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace
{

// A library with a folder inside, and scattered copies beside it.
struct Library {
    TempTree tree;
    Library()
    {
        tree.write("lib/a.jpg", "a");
        tree.write("lib/sub/b.jpg", "b");
        tree.write("lib-old/c.jpg", "c");
        tree.write("dumps/d.jpg", "d");
        tree.write("top.jpg", "t");
    }
    std::string path(const std::string &relative) const { return tree.path(relative); }
};

} // namespace

TEST(ProtectedFolders, HoldFilesInTheFolderAndBelowHoweverThePathReachesThem)
{
    Library lib;
    lib.tree.symlink(lib.path("lib"), "link-to-lib");
    lib.tree.symlink(lib.path("lib/sub/b.jpg"), "dumps/link-to-b.jpg");
    ProtectedFolders held({lib.path("lib")});
    EXPECT_FALSE(held.empty());
    for (const char *inside : {"lib/a.jpg", "lib/sub/b.jpg", "link-to-lib/a.jpg", "link-to-lib/sub/b.jpg",
                               "lib/sub/../a.jpg", "lib/not-there-yet.jpg"})
        EXPECT_TRUE(held.holdsFile(lib.path(inside))) << inside;
    // A name that starts like the folder's is another folder; a link elsewhere
    // that leads in is a file of the folder it lies in.
    for (const char *outside : {"lib-old/c.jpg", "dumps/d.jpg", "top.jpg", "dumps/link-to-b.jpg", "none/x.jpg"})
        EXPECT_FALSE(held.holdsFile(lib.path(outside))) << outside;

    // Protected through a link: the folder it leads to is held.
    ProtectedFolders byLink({lib.path("link-to-lib")});
    EXPECT_TRUE(byLink.holdsFile(lib.path("lib/sub/b.jpg")));
    EXPECT_FALSE(byLink.holdsFile(lib.path("top.jpg")));

    // Paths that lead to no folder protect nothing.
    ProtectedFolders none({lib.path("missing"), lib.path("top.jpg"), ""});
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(none.holdsFile(lib.path("lib/a.jpg")));

    // Asked at the moment of an action, it answers for where the folder is
    // then, the protected one renamed too.
    ASSERT_EQ(std::rename(lib.path("lib/sub").c_str(), lib.path("sub-out").c_str()), 0);
    ASSERT_EQ(std::rename(lib.path("dumps").c_str(), lib.path("lib/dumps").c_str()), 0);
    ASSERT_EQ(std::rename(lib.path("lib").c_str(), lib.path("library").c_str()), 0);
    EXPECT_FALSE(held.holdsFile(lib.path("sub-out/b.jpg")));
    EXPECT_TRUE(held.holdsFile(lib.path("library/dumps/d.jpg")));
}

// Bind mounts of the folder, of one above it and of one inside it; a mount
// inside the folder; and a bind mount protected, its source scanned.
TEST(ProtectedFolders, BindMountsLeadToTheSameAnswer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    Library lib;
    for (const char *point : {"m-lib", "m-top", "m-sub", "lib/tmpfs"})
        lib.tree.mkdir(point);
    TestMount ofLib(lib.path("m-lib"), lib.path("lib"));
    TestMount ofTop(lib.path("m-top"), lib.tree.root());
    TestMount ofSub(lib.path("m-sub"), lib.path("lib/sub"));
    TestMount inside(lib.path("lib/tmpfs"));
    if (!ofLib.made() || !ofTop.made() || !ofSub.made() || !inside.made())
        GTEST_SKIP() << "could not mount here";
    lib.tree.write("lib/tmpfs/e.jpg", "e");

    ProtectedFolders held({lib.path("lib")}); // made after the mounts: they are in its table
    for (const char *inside :
         {"m-lib/a.jpg", "m-lib/sub/b.jpg", "m-top/lib/a.jpg", "m-sub/b.jpg", "lib/tmpfs/e.jpg", "m-lib/tmpfs/e.jpg"})
        EXPECT_TRUE(held.holdsFile(lib.path(inside))) << inside;
    for (const char *outside : {"m-top/dumps/d.jpg", "m-top/top.jpg", "m-top/lib-old/c.jpg"})
        EXPECT_FALSE(held.holdsFile(lib.path(outside))) << outside;

    ProtectedFolders bySub({lib.path("m-sub")});
    EXPECT_TRUE(bySub.holdsFile(lib.path("lib/sub/b.jpg")));
    EXPECT_TRUE(bySub.holdsFile(lib.path("m-top/lib/sub/b.jpg")));
    EXPECT_FALSE(bySub.holdsFile(lib.path("lib/a.jpg")));
    EXPECT_FALSE(bySub.holdsFile(lib.path("m-lib/a.jpg")));
}
