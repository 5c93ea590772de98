// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Moving the checked files into a folder through the real window: the
// chooser, the questions, the summary and the rows, on one file system and
// onto an ext4 image.
#include "platform/FileStatus.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/TempTree.h"

#include <QStringList>

namespace
{

class MoveTest : public MainWindowFixture
{
protected:
    TempTree tree;
    std::string photo = RandomBytes(3000, 1);
    std::string song = RandomBytes(5000, 2);

    // Two listed folders, each with a copy of the photo and of the song; the
    // older copies, in "Backup", are the ones checked.
    void scanTwoFolders()
    {
        for (const char *folder : {"Backup/Photos", "Photos"}) {
            const std::string at = std::string(folder) + "/2020/";
            tree.write(at + "IMG_0001.jpg", photo);
            tree.write(at + "song.mp3", song);
            const std::int64_t time = folder[0] == 'B' ? 1500000000 : 1600000000;
            tree.setTimes({at + "IMG_0001.jpg", at + "song.mp3"}, time);
        }
        addFolder(tree.path("Photos"));
        addFolder(tree.path("Backup/Photos"));
        scanToEnd();
        dialogs.boxes.clear();
        dialogs.prompts.clear();
    }
    void move(const std::string &target, std::deque<bool> answers)
    {
        dialogs.foldersToPick.push_back(QByteArray::fromStdString(target));
        dialogs.answers = std::move(answers);
        run([&] { trigger("MoveChecked1"); });
    }
};

} // namespace

TEST_F(MoveTest, TheCheckedFilesGoBelowTheFolderChosenEachAtItsPathAfterOneQuestion)
{
    scanTwoFolders();
    ASSERT_EQ(results().rowCount(), 4);
    tree.mkdir("Set aside");

    move(tree.path("Set aside"), {false});
    EXPECT_EQ(dialogs.prompts, QStringList{"Please select the folder to move the checked files to:"});
    EXPECT_EQ(
        dialogs.questions,
        QStringList{QString::fromStdString("2 files (7.81 KB) will be moved to " + tree.path("Set aside")
                                           + "; each keeps its path below the folder it was found in. Continue?")});
    EXPECT_TRUE(summaries().empty());
    EXPECT_EQ(results().rowCount(), 4);

    dialogs.questions.clear();
    move(tree.path("Set aside"), {true});
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_EQ(summaries().front(),
              QString::fromStdString("2 files moved to " + tree.path("Set aside") + ". 7.81 KB moved."));
    EXPECT_EQ(rowPaths(),
              (std::vector<std::string>{tree.path("Photos/2020/IMG_0001.jpg"), tree.path("Photos/2020/song.mp3")}));
    EXPECT_EQ(FileContent(tree.path("Set aside/Photos (2)/2020/IMG_0001.jpg")), photo);
    EXPECT_EQ(FileContent(tree.path("Set aside/Photos (2)/2020/song.mp3")), song);
    EXPECT_FALSE(PathExists(tree.path("Backup/Photos/2020/IMG_0001.jpg")));
}

TEST_F(MoveTest, AFolderBesideACheckedFileIsRefusedAndOneInAListedFolderIsTold)
{
    scanTwoFolders();
    move(tree.path("Backup/Photos/2020"), {true});
    EXPECT_EQ(dialogs.notices,
              QStringList{QString::fromStdString("The folder " + tree.path("Backup/Photos/2020") + " lies inside "
                                                 + tree.path("Backup/Photos/2020")
                                                 + ", where a checked file lies. Choose a folder outside the "
                                                   "folders the checked files lie in.")});
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_EQ(results().rowCount(), 4);

    // Every copy of the photo checked: asked first, and the answer No spares the group.
    results().setChecked(1, true);
    tree.mkdir("Photos/Dups");
    move(tree.path("Photos/Dups"), {false, true});
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(dialogs.questions.front(), "The checked files include every copy of 1 group. Move every copy of it too?");
    EXPECT_TRUE(dialogs.questions.back().startsWith("1 file (4.88 KB) will be moved to "));
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_EQ(summaries().front().split('\n'),
              (QStringList{QString::fromStdString("1 file moved to " + tree.path("Photos/Dups") + ". 4.88 KB moved."),
                           "The folder lies inside a listed folder: the next scan will find them there."}));
    EXPECT_EQ(FileContent(tree.path("Photos/Dups/Photos (2)/2020/song.mp3")), song);
}

TEST_F(MoveTest, OntoAnotherFileSystemTheRowsOfEveryBatchLeaveAndTheLeftOnesStay)
{
    const auto disk = MountImage(tree, LoopImageMount::Kind::Ext4);
    SKIP_UNLESS_IMAGE(*disk);
    // 30 groups of two, spread over folders, so that rows leave between others.
    for (int i = 0; i < 30; ++i) {
        const std::string name = "f" + std::to_string(i) + ".bin";
        const std::string content = RandomBytes(1000 + i, i);
        tree.writeCopies(content, {"new/" + std::to_string(i % 4) + "/" + name, "old/" + name});
        tree.setTime("old/" + name, 1500000000);
    }
    addFolder(tree.path("new"));
    addFolder(tree.path("old"));
    scanToEnd();
    ASSERT_EQ(results().rowCount(), 60);
    tree.write("disk/old/f3.bin", "taken");
    dialogs.boxes.clear();
    move(tree.path("disk"), {true});
    ASSERT_EQ(summaries().size(), 1u);
    EXPECT_TRUE(summaries().front().startsWith("30 files moved to ")) << summaries().front().toStdString();
    EXPECT_EQ(results().rowCount(), 30);
    for (const std::string &path : rowPaths())
        EXPECT_TRUE(path.starts_with(tree.path("new/"))) << path;
    EXPECT_EQ(FileContent(tree.path("disk/old/f3 (2).bin")), RandomBytes(1003, 3));
    EXPECT_EQ(FileContent(tree.path("disk/old/f3.bin")), "taken");
}
