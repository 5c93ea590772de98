// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/ScanBoundary.h"
#include "boundary/UserHomes.h"
#include "platform/DirectoryReader.h"
#include "platform/FileRemoval.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <unistd.h>

namespace
{

std::optional<FolderStanding> StandingOf(ScanBoundary &boundary, const std::string &path)
{
    DirectoryReader dir;
    if (!dir.open(path))
        return std::nullopt;
    return boundary.listedFolder(dir.fd());
}

bool Exists(const char *path)
{
    return ::access(path, F_OK) == 0;
}

} // namespace

// The machine's own trees, read only: however a folder is reached, the same answer.
TEST(ScanBoundary, KnowsThisMachinesSystemTreesByWhatTheyAreNotByTheirPath)
{
    ScanBoundary boundary;
    TempTree tree;
    tree.symlink("/usr/share", "share");
    EXPECT_EQ(StandingOf(boundary, "/"), FolderStanding::Root); // entered, its own files passed by
    EXPECT_EQ(StandingOf(boundary, tree.root()), FolderStanding::User);
    for (const std::string &path : std::vector<std::string>{"/usr", "/usr/share", "/etc", "/proc/self/root/usr/share",
                                                            "/usr/../etc/.", tree.path("share"), "/proc"})
        EXPECT_EQ(StandingOf(boundary, path), FolderStanding::System) << path;
    if (Exists("/var/tmp") && Exists("/var/cache")) {
        EXPECT_EQ(StandingOf(boundary, "/var"), FolderStanding::Between);
        EXPECT_EQ(StandingOf(boundary, "/var/tmp"), FolderStanding::User);
        EXPECT_EQ(StandingOf(boundary, "/var/cache"), FolderStanding::System);
    }
}

TEST(ScanBoundary, ABindMountOfASystemFolderIsTheSystems)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    TempTree tree;
    tree.mkdir("docs");
    tree.mkdir("tmp");
    TestMount docs(tree.path("docs"), "/usr/share/doc");
    TestMount scratch(tree.path("tmp"), "/var/tmp");
    if (!docs.made() || !scratch.made())
        GTEST_SKIP() << "could not bind-mount here";
    ScanBoundary boundary; // made after the mounts: they are in its table
    EXPECT_EQ(StandingOf(boundary, tree.path("docs")), FolderStanding::System);
    EXPECT_EQ(StandingOf(boundary, tree.path("tmp")), FolderStanding::User);
}

TEST(ScanBoundary, InstalledSoftwareInAHomeIsFoundWhereItIsAndNeverTakesTheHome)
{
    TempTree tree;
    const std::string home = tree.mkdir("home");
    for (const char *folder : {"home/.rustup", "home/.cargo/registry", "home/.local/lib/python3.12",
                               "home/.local/lib/not-python", "elsewhere/cache"})
        tree.mkdir(folder);
    tree.symlink(tree.path("elsewhere/cache"), "home/.cache"); // a cache kept on another disk
    tree.symlink(home, "home/.npm");                           // a link back to the home itself
    tree.symlink(tree.root(), "home/snap");                    // ... or above it
    std::vector<std::string> found;
    for (const SystemTree &t : SoftwareTreesOf(home)) {
        EXPECT_EQ(t.kind, SystemTree::Kind::Software) << t.path;
        found.push_back(t.path.substr(home.size() + 1));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{".cache", ".cargo/registry", ".local/lib/python3.12", ".rustup"}));
}

// The environment says nothing of whose a folder is: HOME=/var/lib must not
// make a service's files the user's, nor move the user's own toolchains.
TEST(ScanBoundary, HomesComeFromThePasswordDatabaseNotFromHome)
{
    ScopedEnv home("HOME", "/var/lib");
    ScopedEnv cache("XDG_CACHE_HOME", "/"); // a cache folder that would hold everything
    const std::vector<std::string> own = OwnHomes();
    ASSERT_FALSE(own.empty());
    EXPECT_NE(own.front(), "/var/lib");
    for (const SystemTree &tree : StandardTrees()) {
        EXPECT_FALSE(tree.path.rfind("/var/lib/", 0) == 0) << tree.path;
        EXPECT_NE(tree.path, "/");
        for (const std::string &user : tree.userFolders)
            EXPECT_NE(user, "/var/lib");
    }
    ScanBoundary boundary;
    if (Exists("/var/lib")) {
        EXPECT_EQ(StandingOf(boundary, "/var/lib"), FolderStanding::System);
    }
}

TEST(ScanBoundary, OnlyTheProgramsOwnInTransitNamesAreTakenForThem)
{
    for (const char *name : {".varnok-deleting-4242-0", ".varnok-deleting-1-17", ".varnok-linking-77-3"})
        EXPECT_TRUE(IsInTransitName(name)) << name;
    for (const char *name : {".varnok-deleting-", ".varnok-deleting-12", ".varnok-deleting-12-", ".varnok-deleting-a-1",
                             ".varnok-deleting-1-2.txt", "varnok-deleting-1-2", ".varnok-deleting-notes",
                             ".varnok-linking-1", ".varnok-linking-1-2.jpg"})
        EXPECT_FALSE(IsInTransitName(name)) << name;
}
