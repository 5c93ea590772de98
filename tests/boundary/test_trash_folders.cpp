// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/TrashFolders.h"
#include "platform/FileStatus.h"
#include "tests/support/ScanFixture.h"
#include "tests/support/ScarceDescriptors.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestMount.h"

#include <fcntl.h>
#include <unistd.h>

namespace
{

using V = std::vector<std::string>;

// A home folder inside the tree, with its data folder reached through a
// link, as the walk never would: the trash is known by what it is.
class TrashWalk : public ScanFixture
{
protected:
    std::string uid = std::to_string(::getuid());
    ScopedEnv dataHome{"XDG_DATA_HOME", tree.path("data-link")};

    void SetUp() override
    {
        tree.mkdir("home/.local/share");
        tree.symlink(tree.path("home/.local/share"), "data-link");
    }

    // The walk from the disk and the full job, which walks what measuring
    // listed, must agree.
    void expectBothWalks(const V &candidates, const V &groupedRows, const std::string &folder)
    {
        EXPECT_EQ(walk({folder}), candidates);
        scan({folder});
        EXPECT_EQ(rows(), groupedRows);
    }
};

} // namespace

TEST_F(TrashWalk, TheHomeTrashIsPassedByEvenListedItself)
{
    tree.writeCopies("report", {"home/report.txt", "home/.local/share/Trash/files/report.txt"});
    tree.write("home/.local/share/Trash/info/report.txt.trashinfo", "[Trash Info]\n");
    tree.writeCopies("notes", {"home/.local/share/Trash/files/old/notes.txt", "home/notes.txt", "home/notes copy.txt"});
    tree.setTimes({"home/notes.txt", "home/notes copy.txt"}, 1500000000); // copies of one time: rows in path order
    expectBothWalks({"home/notes copy.txt", "home/notes.txt", "home/report.txt"},
                    {"1:home/notes copy.txt", "1:home/notes.txt"}, tree.path("home"));
    // Listed by the user, or its files/ folder beside the home, it is still
    // passed by, and the summary says so: a trashed copy must never be the
    // one kept while the live one is checked.
    EXPECT_EQ(walk({tree.path("home/.local/share/Trash")}), V{});
    host.rows.clear();
    scan({tree.path("home/.local/share/Trash/files"), tree.path("home")});
    EXPECT_EQ(rows(), (V{"1:home/notes copy.txt", "1:home/notes.txt"}));
    EXPECT_EQ(host.lastSummary.trashFolders, 1);
    EXPECT_EQ(host.summarySystemFolders, 0);
}

TEST_F(TrashWalk, TheTrashAtTheTopOfAMountIsPassedByButNotAFolderOfThatNameElsewhere)
{
    tree.mkdir("home/usb");
    TestMount usb(tree.path("home/usb"));
    if (!usb.made())
        GTEST_SKIP() << "making a mount needs root";
    tree.writeCopies("photo",
                     {"home/usb/photo.jpg", "home/usb/.Trash-" + uid + "/files/photo.jpg",
                      "home/usb/.Trash/" + uid + "/files/photo.jpg",
                      "home/usb/deeper/.Trash-" + uid + "/files/photo.jpg"});
    tree.setTimes({"home/usb/photo.jpg", "home/usb/deeper/.Trash-" + uid + "/files/photo.jpg"}, 1500000000);
    expectBothWalks({"home/usb/deeper/.Trash-" + uid + "/files/photo.jpg", "home/usb/photo.jpg"},
                    {"1:home/usb/deeper/.Trash-" + uid + "/files/photo.jpg", "1:home/usb/photo.jpg"},
                    tree.path("home"));
}

TEST_F(TrashWalk, AMountsTrashIsKnownWithNoDescriptorFree)
{
    tree.mkdir("usb");
    TestMount usb(tree.path("usb"));
    if (!usb.made())
        GTEST_SKIP() << "making a mount needs root";
    for (const std::string &trash : {"usb/.Trash-" + uid, "usb/.Trash/" + uid}) {
        tree.mkdir(trash);
        const int fd = ::open(tree.path(trash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const FileIdentity identity = StatOpenFile(fd).identity;
        TrashFolders trashes;
        bool known;
        {
            // The walk's threads may hold every descriptor when it meets the mount.
            ScarceDescriptors scarce(128, 0);
            known = trashes.contains(fd, identity);
        }
        ::close(fd);
        EXPECT_TRUE(known) << trash;
    }
}
