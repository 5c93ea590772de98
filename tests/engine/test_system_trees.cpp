// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ScanFixture.h"
#include "TestMount.h"

#include <cstdlib>
#include <unistd.h>

namespace
{

using V = std::vector<std::string>;

class Boundary : public ScanFixture
{
protected:
    // Ready for another scan of the same tree.
    void forget()
    {
        host.rows.clear();
        host.summaries = 0;
        host.summarySystemFolders = -1;
    }
};

// A tree with a system part ("sys") next to the user's files ("home").
class SystemTrees : public Boundary
{
protected:
    void SetUp() override
    {
        for (const char *f : {"sys/usr/share/a.txt", "sys/usr/lib/a.txt", "home/me/a.txt"})
            tree.write(f, "the same bytes in a system file and a user file");
        tree.write("home/me/b1", "a pair of the user's");
        tree.write("home/me/b2", "a pair of the user's");
        tree.write("sys/var/lib/c1", "a pair in a system tree");
        tree.write("sys/var/lib/c2", "a pair in a system tree");
        tree.write("sys/var/d1", "a pair in a way through");
        tree.write("sys/var/d2", "a pair in a way through");
        tree.write("sys/var/tmp/e1", "a pair in a user folder inside a system tree");
        tree.write("sys/var/tmp/e2", "a pair in a user folder inside a system tree");
        systemTrees
            = std::vector<SystemTree>{{tree.path("sys/usr"), {}}, {tree.path("sys/var"), {tree.path("sys/var/tmp")}}};
    }
    V userRows() const { return {"1:home/me/b1", "1:home/me/b2", "2:sys/var/tmp/e1", "2:sys/var/tmp/e2"}; }
};

} // namespace

TEST_F(SystemTrees, AreNeverGroupedHoweverTheirFolderIsReached)
{
    scan();
    EXPECT_EQ(rows(), userRows());
    EXPECT_EQ(host.summarySystemFolders, 0);
    // The estimate holds only what the walk takes, so the bar reaches its end.
    const std::int64_t user = std::string("the same bytes in a system file and a user file").size()
        + 2 * std::string("a pair of the user's").size()
        + 2 * std::string("a pair in a user folder inside a system tree").size();
    EXPECT_EQ(host.total, user);

    tree.symlink(tree.path("sys/usr/share"), "home/link-to-share");
    forget();
    scan({tree.path("home/link-to-share"), tree.path("sys/usr/lib"), tree.path("home")});
    EXPECT_EQ(rows(), (V{"1:home/me/b1", "1:home/me/b2"}));
    EXPECT_EQ(host.summarySystemFolders, 2);

    forget();
    scan({tree.path("sys/usr")}); // the only folder
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.summaries, 1);
    EXPECT_EQ(host.summarySystemFolders, 1);

    forget();
    scan({tree.path("sys/var")}); // a way through: only its user folder is searched
    EXPECT_EQ(rows(), (V{"1:sys/var/tmp/e1", "1:sys/var/tmp/e2"}));
    EXPECT_EQ(host.summarySystemFolders, 0);
    EXPECT_EQ(walk({tree.path("sys/var/lib")}), V{});
    EXPECT_EQ(walk({tree.path("sys/var/tmp")}), (V{"sys/var/tmp/e1", "sys/var/tmp/e2"}));
}

TEST_F(SystemTrees, ABindMountIntoOneIsTheSystemsToo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    tree.mkdir("home/me/docs");
    TestMount bind(tree.path("home/me/docs"), tree.path("sys/usr/share"));
    if (!bind.made())
        GTEST_SKIP() << "could not bind-mount here";
    scan();
    EXPECT_EQ(rows(), userRows());
    forget();
    scan({tree.path("home/me")});
    EXPECT_EQ(rows(), (V{"1:home/me/b1", "1:home/me/b2"}));
    forget();
    scan({tree.path("home/me/docs")});
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.summarySystemFolders, 1);
}

using Stores = Boundary;

TEST_F(Stores, RepositoryInsidesAreNeverGroupedTheirWorkingFilesAre)
{
    for (const char *clone : {"a", "b"}) {
        const std::string top = std::string(clone) + "/";
        tree.write(top + "README", "the same working file");
        tree.write(top + ".git/HEAD", "ref: refs/heads/main\n");
        tree.write(top + ".git/objects/pack/pack-1.pack", "the same packed objects");
        tree.write(top + ".hg/store/data", "the same revlog");
        tree.write(top + "sub/.svn/wc.db", "the same working-copy base");
    }
    for (const char *bare : {"c.git", "d.git"}) {
        const std::string top = std::string(bare) + "/";
        tree.write(top + "HEAD", "ref: refs/heads/main\n");
        tree.write(top + "config", "[core]\n\tbare = true\n");
        tree.write(top + "objects/pack/pack-1.pack", "the same packed objects");
        tree.mkdir(top + "refs/heads");
    }
    scan();
    EXPECT_EQ(rows(), (V{"1:a/README", "1:b/README"}));
    forget();
    scan({tree.path("a/.git"), tree.path("c.git/objects"), tree.path("d.git")});
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.summarySystemFolders, 3);
}

TEST_F(Stores, FilesTheKernelProtectsAreNoCandidates)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "setting the immutable attribute needs root";
    for (const char *f : {"x1", "x2", "y1", "y2"})
        tree.write(f, std::string("pair ") + f[0]);
    if (std::system(
            ("chattr +i '" + tree.path("x1") + "' 2>/dev/null && chattr +a '" + tree.path("y1") + "' 2>/dev/null")
                .c_str())
        != 0)
        GTEST_SKIP() << "this file system keeps no such attributes";
    scan();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(walk(), (V{"x2", "y2"}));
    EXPECT_EQ(std::system(("chattr -i -a '" + tree.path("x1") + "' '" + tree.path("y1") + "'").c_str()), 0);
}
