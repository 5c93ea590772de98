// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Moving the checked files from one ext4 image onto another through the real
// window and its real message boxes on an X server (Xvfb): the confirmation
// and the summary are photographed, then answered Yes and OK as a person
// would. The pictures go to $VARNOK_SCREENS_DIR. Run through
// in-read-only-machine, which makes the machine read-only around the test's
// folder first.
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

TEST(MoveScreens, TheConfirmationAndTheSummaryAsShown)
{
    SKIP_UNLESS_X_SERVER();
    TempTree tree;
    const auto from = MountImage(tree, LoopImageMount::Kind::Ext4, "photos", 64);
    SKIP_UNLESS_IMAGE(*from);
    const auto to = MountImage(tree, LoopImageMount::Kind::Ext4, "usb", 64);
    SKIP_UNLESS_IMAGE(*to);
    const std::string bytes = RandomBytes(3 << 20, 9);
    for (const char *folder : {"photos/Pictures/2021 Summer", "photos/Old phone/Pictures/2021 Summer"}) {
        tree.write(std::string(folder) + "/beach.jpg", bytes);
        tree.write(std::string(folder) + "/sunset.jpg", RandomBytes(2 << 20, 10));
        tree.write(std::string(folder) + "/notes.txt", "Lisbon, 14 July");
    }
    for (const char *file : {"beach.jpg", "sunset.jpg", "notes.txt"})
        tree.setTime(std::string("photos/Old phone/Pictures/2021 Summer/") + file, 1600000000);
    tree.mkdir("usb/Set aside");

    PhotographedDialogs dialogs;
    dialogs.prefix = "move-scan";
    TForm1 form(dialogs);
    ASSERT_TRUE(ShowAndScan(form, dialogs, {tree.path("photos/Pictures"), tree.path("photos/Old phone/Pictures")}));
    ASSERT_EQ(form.resultModel().rowCount(), 6);
    // Changed after the scan: it stays, and the summary says why.
    std::ofstream(tree.path("photos/Old phone/Pictures/2021 Summer/notes.txt"), std::ios::app) << " (edited)";

    dialogs.prefix = "move";
    dialogs.shots.clear();
    dialogs.foldersToPick.push_back(QByteArray::fromStdString(tree.path("usb/Set aside")));
    form.findChild<QAction *>("MoveChecked1")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !form.deletionRunning() && dialogs.shots.size() == 2; }));
    EXPECT_EQ(form.resultModel().rowCount(), 4);
    EXPECT_EQ(FileContent(tree.path("usb/Set aside/Pictures (2)/2021 Summer/beach.jpg")), bytes);
    EXPECT_EQ(FileContent(tree.path("photos/Pictures/2021 Summer/beach.jpg")), bytes);
}
