// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileDeletion.h"
#include "platform/DirectoryReader.h"
#include "tests/support/Ext4ImageMount.h"
#include "tests/support/FuseAliasMount.h"
#include "tests/support/FuseMount.h"
#include "tests/support/OverlayMount.h"
#include "tests/support/ScanFixture.h"
#include "tests/support/TestMount.h"

#include <cstdlib>
#include <optional>
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
        tree.writeCopies("the same bytes in a system file and a user file",
                         {"sys/usr/share/a.txt", "sys/usr/lib/a.txt", "home/me/a.txt"});
        tree.writeCopies("a pair of the user's", {"home/me/b1", "home/me/b2"});
        tree.writeCopies("a pair in a system tree", {"sys/var/lib/c1", "sys/var/lib/c2"});
        tree.writeCopies("a pair in a way through", {"sys/var/d1", "sys/var/d2"});
        tree.writeCopies("a pair in a user folder inside a system tree", {"sys/var/tmp/e1", "sys/var/tmp/e2"});
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

// Each kind of store twice, so that its insides would pair up; and folders
// that only look like one, whose files are the user's.
TEST_F(Stores, EveryKindOfStoreIsPassedByAndOnlyWhatGitWouldTakeIsABareRepository)
{
    for (const std::string top : {"x/", "y/"}) {
        tree.write(top + "lib/.git", "gitdir: ../.git/modules/lib\n"); // a submodule's pointer
        tree.write(top + "svn/format", "5\n");                         // a Subversion server's repository
        tree.write(top + "svn/db/revs/0/1", "a revision");
        tree.mkdir(top + "svn/locks");
        tree.write(top + "cvs/CVSROOT/history", "a CVS repository");
        tree.write(top + "cvs/module/file.c,v", "head 1.1;");
        tree.write(top + "work/CVS/Entries", "/file.c/1.1///\n");
        tree.write(top + "work/CVS/Repository", "module\n");
        tree.write(top + "work/CVS/Root", "/srv/cvs\n");
        for (const char *store : {"_darcs", ".jj", ".pijul", ".fossil-settings"})
            tree.write(top + store + "/data", std::string("the same ") + store);
        tree.write(top + ".fslckout", "a fossil checkout");
        // A game's saves, and a HEAD that names nothing: not repositories.
        tree.write(top + "saves/HEAD", "slot 3");
        tree.write(top + "saves/objects/sword.dat", "a sword");
        tree.mkdir(top + "saves/refs");
        tree.write(top + "almost/HEAD", "ref: refs/heads/main\n");
        tree.write(top + "almost/objects/notes.txt", "no config, no repository");
        tree.mkdir(top + "almost/refs");
        tree.setTimes({top + "saves/objects/sword.dat", top + "almost/objects/notes.txt"}, 1500000000);
    }
    // A bare repository beside the user's files passes by itself only.
    tree.write("x/repo.git/HEAD", "0123456789012345678901234567890123456789\n");
    tree.write("x/repo.git/config", "[Core]\n\tbare = true\n");
    tree.write("x/repo.git/objects/ab/cdef", "a sword");
    tree.mkdir("x/repo.git/refs");
    scan();
    EXPECT_EQ(
        rows(),
        (V{"1:x/saves/HEAD", "1:y/saves/HEAD", "2:x/saves/objects/sword.dat", "2:y/saves/objects/sword.dat",
           "3:x/almost/HEAD", "3:y/almost/HEAD", "4:x/almost/objects/notes.txt", "4:y/almost/objects/notes.txt"}));
    forget();
    scan({tree.path("x/repo.git/objects"), tree.path("x/svn/db"), tree.path("x/cvs/module"), tree.path("x/work/CVS"),
          tree.path("x/saves")});
    EXPECT_EQ(host.summarySystemFolders, 4);
}

// The system's files reached through another file system, and the user's
// own mounts where the system keeps its run-time files.
class OtherFileSystems : public SystemTrees
{
protected:
    bool root() const { return ::geteuid() == 0; }
};

TEST_F(OtherFileSystems, OverlaysAndPassthroughsAreJudgedByTheFoldersTheyShow)
{
    if (!root())
        GTEST_SKIP() << "mounts need root";
    for (const char *folder :
         {"up", "work", "view/share", "view/bind", "view/sys", "view/pass", "mine/up", "mine/work", "mine/view"})
        tree.mkdir(folder);
    tree.writeCopies("the user's pair through an overlay", {"mine/lower/p1", "mine/lower/p2"});
    OverlayMount overlay(tree.path("sys/usr/share"), tree.path("up"), tree.path("work"), tree.path("view/share"));
    OverlayMount users(tree.path("mine/lower"), tree.path("mine/up"), tree.path("mine/work"), tree.path("mine/view"));
    FuseAliasMount bindfs(tree.path("sys/usr/share"), tree.path("view/bind"));
    // Of the folder that holds the system's trees: each folder by where it really lies.
    FuseAliasMount whole(tree.path("sys"), tree.path("view/sys"));
    if (!overlay.made() || !users.made())
        GTEST_SKIP() << "could not mount an overlay here";
    const bool fuse = bindfs.made() && whole.made();
    scan({tree.path("mine/view"), tree.path("view")});
    if (fuse)
        EXPECT_EQ(rows(), (V{"1:mine/view/p1", "1:mine/view/p2", "2:view/sys/var/tmp/e1", "2:view/sys/var/tmp/e2"}));
    else
        EXPECT_EQ(rows(), (V{"1:mine/view/p1", "1:mine/view/p2"}));
    forget();
    scan({tree.path("view/share"), tree.path("view/bind"), tree.path("view/sys/var/lib")});
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.summarySystemFolders, fuse ? 3 : 1);

    // A passthrough that names its source, as bindfs does.
    if (!FuseMount::unavailable().empty())
        GTEST_SKIP() << FuseMount::unavailable();
    FuseMount::Options named;
    named.namesSource = true;
    FuseMount pass(tree.path("sys/usr/share"), tree.path("view/pass"), named);
    ASSERT_TRUE(pass.mounted());
    forget();
    scan({tree.path("view/pass")});
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.summarySystemFolders, 1);
}

TEST_F(OtherFileSystems, AFileMountedOnItsOwnOrInAnImmutableFolderIsNoCandidate)
{
    if (!root())
        GTEST_SKIP() << "mounts and the immutable attribute need root";
    tree.writeCopies("root:x:0:0", {"sys/usr/passwd", "home/me/passwd-copy"});
    tree.write("home/me/passwd-bind", "");
    TestMount file(tree.path("home/me/passwd-bind"), tree.path("sys/usr/passwd"));
    ASSERT_TRUE(file.made());
    tree.writeCopies("a pair in an immutable folder", {"home/me/frozen/f1", "home/me/frozen/f2"});
    tree.writeCopies("a pair below it", {"home/me/frozen/open/g1", "home/me/frozen/open/g2"});
    if (std::system(("chattr +i '" + tree.path("home/me/frozen") + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system keeps no immutable attribute";
    scan({tree.path("home/me")});
    EXPECT_EQ(rows(), (V{"1:home/me/frozen/open/g1", "1:home/me/frozen/open/g2", "2:home/me/b1", "2:home/me/b2"}));
    ScanBoundary boundary(*systemTrees);
    for (const char *f : {"home/me/passwd-bind", "home/me/frozen/f1"})
        EXPECT_EQ(
            ShellDeleteFile(tree.path(f), StatPathNoFollow(tree.path(f)).identity, false, {&boundary, {}, {}, {}}),
            RemovalOutcome::Protected)
            << f;
    EXPECT_EQ(tree.read("sys/usr/passwd"), "root:x:0:0");
    EXPECT_EQ(std::system(("chattr -i '" + tree.path("home/me/frozen") + "'").c_str()), 0);
}

// A run-time tree laid out as /run is: files of its own, the user's runtime
// folder (a tmpfs), a removable drive, a desktop share, and a sandbox's view
// of its host.
TEST_F(OtherFileSystems, BelowRunOnlyTheUsersDrivesAndSharesAreSearched)
{
    if (!root())
        GTEST_SKIP() << "mounts need root";
    const std::string run = tree.mkdir("run");
    systemTrees->push_back({run, {}, SystemTree::Kind::Runtime});
    tree.writeCopies("", {"run/adduser", "run/lock"});
    for (const char *folder : {"run/media/me/USB", "run/user/0", "run/host", "host/disk"})
        tree.mkdir(folder);
    tree.writeCopies("the host's own", {"host/etc/hostname", "host/etc/hostname.old"});
    Ext4ImageMount usb(tree.path("usb.img"), tree.path("run/media/me/USB"));
    TestMount runtime(tree.path("run/user/0"));
    TestMount hostView(tree.path("run/host"), tree.path("host"));
    Ext4ImageMount hostDisk(tree.path("host-disk.img"), tree.path("run/host/disk"));
    if (!usb.made() || !runtime.made() || !hostView.made())
        GTEST_SKIP() << "could not make the mounts here";
    tree.writeCopies("a photo on a stick", {"run/media/me/USB/photos/a.jpg", "run/media/me/USB/photos/b.jpg"});
    tree.writeCopies("a runtime pair", {"run/user/0/x1", "run/user/0/x2"});
    if (hostDisk.made()) {
        tree.writeCopies("on the host's disk", {"run/host/disk/d1", "run/host/disk/d2"});
    }
    V expected{"1:run/media/me/USB/photos/a.jpg", "1:run/media/me/USB/photos/b.jpg"};
    std::optional<FuseMount> gvfs;
    if (FuseMount::unavailable().empty()) {
        tree.writeCopies("a pair on a share", {"share/s1", "share/s2"});
        tree.mkdir("run/user/0/gvfs");
        gvfs.emplace(tree.path("share"), tree.path("run/user/0/gvfs"));
        ASSERT_TRUE(gvfs->mounted());
        expected = {"1:run/user/0/gvfs/s1", "1:run/user/0/gvfs/s2", "2:run/media/me/USB/photos/a.jpg",
                    "2:run/media/me/USB/photos/b.jpg"};
    }
    scan({run});
    EXPECT_EQ(rows(), expected);
    // Listed below /run: the drive as the user's, the runtime folder as a way
    // to the share in it, the host's view not at all.
    forget();
    scan({tree.path("run/media/me/USB/photos"), tree.path("run/user/0"), tree.path("run/host/etc")});
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(host.summarySystemFolders, 1);
}

// A sandbox's view of its host as Flatpak lays it out: "/" bound below a
// folder, and its own /etc mounted over the host's.
TEST_F(OtherFileSystems, TheHostsTreesSeenBeneathWhatIsMountedOverThemAreTheSystems)
{
    if (!root())
        GTEST_SKIP() << "mounts need root";
    tree.mkdir("hostview");
    TestMount view(tree.path("hostview"), "/");
    TestMount ownEtc("/etc"); // in the test's own mount namespace only
    if (!view.made() || !ownEtc.made())
        GTEST_SKIP() << "could not make the mounts here";
    ScanBoundary boundary; // this machine's trees, with /etc mounted over
    DirectoryReader top, etc;
    ASSERT_TRUE(top.open(tree.path("hostview")) && etc.openChild(top, "etc"));
    const FolderStanding standing = boundary.listedFolder(top.fd());
    EXPECT_EQ(standing, FolderStanding::Root);
    EXPECT_EQ(boundary.subfolder(standing, top.status(), "etc", etc.fd(), etc.status()), FolderStanding::System);
    EXPECT_EQ(boundary.listedFolder(etc.fd()), FolderStanding::System);
}
