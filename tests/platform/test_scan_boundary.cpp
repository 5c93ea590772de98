// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "DirectoryReader.h"
#include "ScanBoundary.h"
#include "TempTree.h"
#include "TestMount.h"

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
