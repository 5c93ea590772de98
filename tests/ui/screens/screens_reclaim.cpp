// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Shared storage and hard links through the real window and its real message
// boxes on an X server (Xvfb), on Btrfs and XFS images: the confirmation and
// the summary are photographed, then answered Yes and OK as a person would.
// The pictures go to $VARNOK_SCREENS_DIR as reclaim-<share|link>-<box>.png
// on XFS; Btrfs's summaries say "up to" (a snapshot may hold the blocks) and
// go to reclaim-<share|link>-btrfs-<box>.png. After sharing, the next scan's
// summary is photographed too (-rescan-). docs/ keeps them. Run through
// reclaim-screens, which makes the machine read-only around the test's
// folder first.
#include "platform/FileStatus.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/PhotographedDialogs.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempTree.h"
#include "ui/ResultModel.h"
#include "ui/Unit1.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace
{

struct Case {
    LoopImageMount::Kind kind;
    const char *name;  // of the test
    const char *shots; // the pictures' names begin so
    const char *entry;
};

class ReclaimScreens : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override { SKIP_UNLESS_X_SERVER(); }
};

} // namespace

TEST_P(ReclaimScreens, TheConfirmationAndTheSummaryAsShown)
{
    TempTree tree;
    const auto disk = MountImage(tree, GetParam().kind);
    SKIP_UNLESS_IMAGE(*disk);
    const std::string bytes = RandomBytes(3 << 20, 9);
    for (const char *folder : {"album", "project", "backup"}) {
        tree.mkdir(std::string("disk/") + folder);
        std::ofstream(tree.path(std::string("disk/") + folder + "/beach.jpg"), std::ios::binary) << bytes;
    }
    tree.setTime("disk/backup/beach.jpg", 1700000000);
    // A copy whose permissions differ: a link would change who may read it.
    std::ofstream(tree.path("disk/project/beach-private.jpg"), std::ios::binary) << bytes;
    ::chmod(tree.path("disk/project/beach-private.jpg").c_str(), 0600);
    tree.setTime("disk/project/beach-private.jpg", 1600000000); // never the kept copy
    PhotographedDialogs dialogs;
    dialogs.prefix = QString::fromLatin1(GetParam().shots) + "-scan";
    TForm1 form(dialogs);
    ASSERT_TRUE(ShowAndScan(form, dialogs, {tree.path("disk")}));
    ASSERT_EQ(form.resultModel().rowCount(), 4);

    dialogs.prefix = QString::fromLatin1(GetParam().shots);
    dialogs.shots.clear();
    form.findChild<QAction *>(GetParam().entry)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !form.deletionRunning() && dialogs.shots.size() == 2; }));
    EXPECT_EQ(form.resultModel().rowCount(), 4); // every file is still there
    for (const char *folder : {"album", "project", "backup"})
        EXPECT_EQ(FileContent(tree.path(std::string("disk/") + folder + "/beach.jpg")), bytes);
    // After sharing, a scan tells the copies that take no extra space.
    if (std::string(GetParam().entry) == "ShareStorage1") {
        dialogs.prefix = QString::fromLatin1(GetParam().shots) + "-rescan";
        dialogs.shots.clear();
        QTest::mouseClick(form.findChild<QWidget *>("PNGButton10"), Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return !form.scanRunning() && dialogs.shots.size() == 1; }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, ReclaimScreens,
    ::testing::Values(Case{LoopImageMount::Kind::Btrfs, "btrfs-share", "reclaim-share-btrfs", "ShareStorage1"},
                      Case{LoopImageMount::Kind::Xfs, "xfs-share", "reclaim-share", "ShareStorage1"},
                      Case{LoopImageMount::Kind::Btrfs, "btrfs-link", "reclaim-link-btrfs", "HardLinks1"},
                      Case{LoopImageMount::Kind::Xfs, "xfs-link", "reclaim-link", "HardLinks1"}),
    [](const auto &info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });
