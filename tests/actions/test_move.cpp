// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Moving the checked copies into a folder, on one file system and across two,
// on real ext4 and XFS images: names, settings, a full or read-only target,
// a kill at each step of a copy, Stop, and the folders no file may go to.
#include "actions/ActionRunner.h"
#include "actions/KeptCopyGuard.h"
#include "actions/MoveAction.h"
#include "boundary/ProtectedFolders.h"
#include "boundary/ScanBoundary.h"
#include "engine/ScanTexts.h"
#include "engine/uScanThread_Short.h"
#include "platform/FileRemoval.h"
#include "platform/FileStatus.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopImageMount.h"
#include "tests/support/RandomBytes.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Kind = LoopImageMount::Kind;
using V = std::vector<std::string>;

namespace
{

TEST(MoveDestination, KeepsEachFilesPathBelowItsListedFoldersName)
{
    const MoveDestination to("/t", {"/home/u/Photos", "/media/old/Photos/", "/home/u/Photos/2020", "/"});
    const auto place = to.placeOf("/home/u/Photos/2020/summer/IMG_0001.jpg");
    EXPECT_EQ(place.folders, (V{"Photos", "2020", "summer"}));
    EXPECT_EQ(place.sources, (V{"/home/u/Photos/", "/home/u/Photos/2020", "/home/u/Photos/2020/summer"}));
    EXPECT_EQ(place.name, "IMG_0001.jpg");
    EXPECT_EQ(to.placeOf("/media/old/Photos/IMG_0001.jpg").folders, V{"Photos (2)"});
    EXPECT_EQ(to.placeOf("/etc/notes").folders, (V{"File System", "etc"}));
    EXPECT_EQ(MoveDestination("/t", {}).placeOf("/a/b").folders, (V{"File System", "a"}));

    EXPECT_EQ(MoveDestination::numberedName("IMG_0001.jpg", 1), "IMG_0001.jpg");
    EXPECT_EQ(MoveDestination::numberedName("IMG_0001.jpg", 2), "IMG_0001 (2).jpg");
    EXPECT_EQ(MoveDestination::numberedName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(MoveDestination::numberedName(".bashrc", 2), ".bashrc (2)");
    EXPECT_EQ(MoveDestination::numberedName("README", 12), "README (12)");
    // Cut back to 255 bytes, never inside a character.
    std::string accented;
    for (int i = 0; i < 30; ++i)
        accented += "\xC3\xA9"; // é
    const std::string numbered = MoveDestination::numberedName(std::string(195, 'a') + accented + ".jpg", 2);
    EXPECT_EQ(numbered, std::string(195, 'a') + accented.substr(0, 52) + " (2).jpg");
}

class Move : public ::testing::Test
{
protected:
    TempTree tree;
    std::vector<std::unique_ptr<LoopImageMount>> disks;
    std::string bytes = RandomBytes((1 << 20) + 4321, 11);
    std::vector<SystemTree> trees; // none: none at all, so the temporary folder is the user's
    std::shared_ptr<const ProtectedFolderList> protectedFolders;

    const LoopImageMount &mountDisk(Kind kind, const std::string &name, int mib = 0)
    {
        disks.push_back(MountImage(tree, kind, name, mib));
        return *disks.back();
    }
    std::string write(const std::string &relative, const std::string &content, std::int64_t time = 1600000000)
    {
        tree.write(relative, content);
        tree.setTime(relative, time);
        return tree.path(relative);
    }
    static FileIdentity seen(const std::string &path) { return StatPathNoFollow(path).identity; }
    // A group: the first kept, the others chosen.
    static void addGroup(std::vector<ActionFile> &files, int group, const V &paths)
    {
        for (std::size_t i = 0; i < paths.size(); ++i)
            files.push_back({paths[i], seen(paths[i]), group, false, i > 0});
    }
    // Runs a move through the runner, as the window and the bench do.
    ActionBatch run(std::vector<ActionFile> files, const std::string &target, const V &listed,
                    std::vector<ActionOutcome> *outcomes = nullptr)
    {
        ActionRunner runner;
        runner.setSystemTrees(trees);
        if (protectedFolders)
            runner.setProtectedFolders(protectedFolders);
        EXPECT_TRUE(runner.start(std::move(files), std::make_unique<MoveAction>(MoveDestination(target, listed))));
        ActionBatch batch;
        while (!batch.finished) {
            runner.waitForOutcomes(ActionRunner::kBatchInterval);
            batch = runner.take();
            if (outcomes)
                outcomes->insert(outcomes->end(), batch.outcomes.begin(), batch.outcomes.end());
        }
        return batch;
    }
};

TEST_F(Move, OnOneFileSystemEachFileIsRenamedBelowItsListedFolderAndNoNameIsTaken)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a"));
    const std::string kept = write("a/Photos/2020/IMG_0001.jpg", bytes, 1500000000);
    const std::string copy = write("a/Backup/Photos/2020/IMG_0001.jpg", bytes);
    const std::string taken = write("a/Dups/Photos (2)/2020/IMG_0001.jpg", "the user's own");
    const std::string linked = write("a/Photos/notes.txt", "notes", 1500000000);
    const std::string linkedCopy = write("a/Backup/Photos/notes.txt", "notes");
    tree.hardlink("a/Backup/Photos/notes.txt", "a/Backup/notes-again.txt");
    const FileIdentity before = seen(copy);
    std::vector<ActionFile> files;
    addGroup(files, 1, {kept, copy});
    addGroup(files, 2, {linked, linkedCopy});

    const ActionBatch batch = run(files, tree.path("a/Dups"), {tree.path("a/Photos"), tree.path("a/Backup/Photos")});
    EXPECT_EQ(batch.tally.done, 2);
    EXPECT_EQ(batch.tally.left, 0);
    // The file with another name frees nothing and is told apart.
    EXPECT_EQ(batch.tally.releasedBytes, std::int64_t(bytes.size()));
    EXPECT_EQ(batch.tally.doneFor, (std::map<int, int>{{int(MoveOutcome::MovedOtherNamesStay), 1}}));
    const std::string moved = tree.path("a/Dups/Photos (2)/2020/IMG_0001 (2).jpg");
    EXPECT_EQ(FileContent(moved), bytes);
    // One rename: the same file, untouched.
    EXPECT_EQ(seen(moved).inode, before.inode);
    EXPECT_EQ(seen(moved).mtimeNs, before.mtimeNs);
    EXPECT_EQ(FileContent(taken), "the user's own");
    EXPECT_EQ(FileContent(tree.path("a/Dups/Photos (2)/notes.txt")), "notes");
    EXPECT_FALSE(PathExists(copy));
    EXPECT_FALSE(PathExists(linkedCopy));
    EXPECT_EQ(FileContent(kept), bytes);
    EXPECT_EQ(FileContent(tree.path("a/Backup/notes-again.txt")), "notes");
}

TEST_F(Move, AcrossFileSystemsTheCopyKeepsBytesHolesOwnerModeTimesAndAttributes)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a"));
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Xfs, "b"));
    const std::string kept = write("a/Photos/beach.jpg", bytes, 1500000000);
    const std::string copy = write("a/Old/Photos/trip/beach.jpg", bytes);
    ::chmod(tree.path("a/Old/Photos/trip").c_str(), 0750);
    ::chmod(copy.c_str(), 0640);
    ASSERT_EQ(::chown(copy.c_str(), 1234, 1235), 0);
    ASSERT_EQ(::setxattr(copy.c_str(), "user.origin", "camera", 6, 0), 0);
    tree.setTime("a/Old/Photos/trip/beach.jpg", 1234567890);
    // A sparse file: 64 MiB of which one block is data.
    const std::string sparse = tree.path("a/Old/Photos/disk.img");
    const std::string sparseKept = tree.path("a/Photos/disk.img");
    for (const std::string &path : {sparse, sparseKept}) {
        std::ofstream(path, std::ios::binary).seekp(40 << 20) << "data";
        fs::resize_file(path, 64 << 20);
    }
    tree.setTime("a/Photos/disk.img", 1500000000);
    write("b/Dups/Photos (2)/disk.img", "taken");
    const struct stat before = [&] {
        struct stat st {
        };
        ::stat(copy.c_str(), &st);
        return st;
    }();
    std::vector<ActionFile> files;
    addGroup(files, 1, {kept, copy});
    addGroup(files, 2, {sparseKept, sparse});

    const ActionBatch batch = run(files, tree.path("b/Dups"), {tree.path("a/Photos"), tree.path("a/Old/Photos")});
    EXPECT_EQ(batch.tally.done, 2);
    EXPECT_EQ(batch.tally.releasedBytes, std::int64_t(bytes.size()) + (64 << 20));
    const std::string moved = tree.path("b/Dups/Photos (2)/trip/beach.jpg");
    EXPECT_EQ(FileContent(moved), bytes);
    struct stat after {
    };
    ASSERT_EQ(::stat(moved.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, 1234u);
    EXPECT_EQ(after.st_gid, 1235u);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    char origin[8] = {};
    EXPECT_EQ(::getxattr(moved.c_str(), "user.origin", origin, sizeof origin), 6);
    EXPECT_STREQ(origin, "camera");
    // The folder made for the trip is no more open than the one it came from.
    EXPECT_EQ(StatPathNoFollow(tree.path("b/Dups/Photos (2)/trip")).permissions & 0777, 0750u);
    const std::string sparseMoved = tree.path("b/Dups/Photos (2)/disk (2).img");
    EXPECT_EQ(FileContent(sparseMoved), FileContent(sparseKept));
    struct stat holes {
    };
    ::stat(sparseMoved.c_str(), &holes);
    EXPECT_LT(holes.st_blocks * 512, 1 << 20);
    EXPECT_EQ(FileContent(tree.path("b/Dups/Photos (2)/disk.img")), "taken");
    EXPECT_FALSE(PathExists(copy));
    EXPECT_FALSE(PathExists(sparse));
    EXPECT_EQ(InTransitNamesBelow(tree.path("b")), V{});
    EXPECT_EQ(InTransitNamesBelow(tree.path("a")), V{});
}

TEST_F(Move, AFullOrReadOnlyTargetLeavesEveryFileWhereItWasAndNoHiddenName)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a", 128));
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "small", 16));
    const std::string big = RandomBytes(24 << 20, 5);
    const std::string kept = write("a/Photos/film.mov", big, 1500000000);
    const std::string copy = write("a/Old/film.mov", big);
    const std::string keptNote = write("a/Photos/note.txt", "a note", 1500000000);
    const std::string note = write("a/Old/note.txt", "a note");
    std::vector<ActionFile> files;
    addGroup(files, 1, {kept, copy});
    addGroup(files, 2, {keptNote, note});
    std::vector<ActionOutcome> outcomes;
    const ActionBatch full = run(files, tree.path("small"), {tree.path("a/Photos"), tree.path("a/Old")}, &outcomes);
    EXPECT_EQ(full.tally.done, 1); // the note fits
    EXPECT_EQ(full.tally.leftFor, (std::map<int, int>{{int(MoveOutcome::NoSpace), 1}}));
    EXPECT_EQ(FileContent(copy), big);
    EXPECT_EQ(InTransitNamesBelow(tree.path("small")), V{});
    EXPECT_EQ(FileContent(tree.path("small/Old/note.txt")), "a note");

    ASSERT_EQ(std::system(("mount -o remount,ro '" + tree.path("small") + "'").c_str()), 0);
    files.resize(2);
    const ActionBatch readOnly = run(files, tree.path("small"), {tree.path("a/Photos"), tree.path("a/Old")});
    EXPECT_EQ(readOnly.tally.leftFor, (std::map<int, int>{{int(MoveOutcome::TargetReadOnly), 1}}));
    EXPECT_EQ(FileContent(copy), big);
}

TEST_F(Move, AKillAtEachStepOfACopyLosesNothingAndTheNextScanAndMoveNameWhatItLeft)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a"));
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "b"));
    const CopyStep steps[] = {CopyStep::Created,  CopyStep::Copied, CopyStep::Settled,
                              CopyStep::Compared, CopyStep::Placed, CopyStep::Synced};
    const std::string kept = write("a/kept/photo.jpg", bytes, 1500000000);
    std::vector<ActionFile> files{{kept, seen(kept), 1, false, false}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const std::string copy = write("a/copies/photo" + std::to_string(i) + ".jpg", bytes);
        files.push_back({copy, seen(copy), 1, false, true});
        const int killed = InChild([&] {
            ScanBoundary boundary(trees);
            ProtectedFolders none(std::vector<std::string>{});
            const KeptCopyGuard guard(files);
            MoveAction move(MoveDestination(tree.path("b"), {tree.path("a/copies")}), [&](CopyStep step) {
                if (step == steps[i])
                    ::_exit(0);
            });
            const ActionContext context{boundary, none, guard};
            move.apply(files.back(), context);
            move.settle(context, true);
            return 1;
        });
        ASSERT_EQ(killed, 0) << i;
        EXPECT_EQ(FileContent(copy), bytes) << i;
        EXPECT_EQ(InTransitNamesBelow(tree.path("b")).size(), std::min<std::size_t>(i + 1, 4)) << i;
    }
    // Cut off once placed, the file is in both places, whole.
    EXPECT_EQ(FileContent(tree.path("b/copies/photo4.jpg")), bytes);
    EXPECT_EQ(FileContent(tree.path("b/copies/photo5.jpg")), bytes);

    RecordingHost host;
    TScanThread_Short scan(host, {tree.path("b")}, true, [&](std::int64_t total) { host.total = total; });
    scan.setSystemTrees(trees);
    scan.Start();
    scan.WaitFor();
    EXPECT_EQ(host.lastSummary.inTransitFiles[kMovingKind], 4);
    EXPECT_NE(
        SummaryNotes(host.lastSummary).find("4 files named .varnok-moving-... were left by moves that did not finish"),
        std::string::npos)
        << SummaryNotes(host.lastSummary);

    // The next move tells of them, and takes the copies still in place.
    files.erase(files.begin() + 5, files.end());
    for (ActionFile &file : files)
        file.identity = seen(file.path);
    const ActionBatch next = run(files, tree.path("b"), {tree.path("a/copies")});
    EXPECT_EQ(next.tally.done, 4);
    EXPECT_EQ(next.tally.leftInTransit, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FileContent(tree.path("b/copies/photo" + std::to_string(i) + ".jpg")), bytes) << i;
}

TEST_F(Move, StopOrACopyThatReadsBackOtherwiseLeavesTheFileAndNoHiddenName)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a", 160));
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "b", 80));
    const std::string big = RandomBytes(48 << 20, 8);
    const std::string kept = write("a/kept/film.mov", big, 1500000000);
    const std::string copy = write("a/copies/film.mov", big);
    std::vector<ActionFile> files{{kept, seen(kept), 1, false, false}, {copy, seen(copy), 1, false, true}};
    ScanBoundary boundary(trees);
    ProtectedFolders none(std::vector<std::string>{});
    const KeptCopyGuard guard(files);
    std::atomic<bool> stop{false};
    const ActionContext context{boundary, none, guard, &stop};

    MoveAction stopped(MoveDestination(tree.path("b"), {tree.path("a/copies")}), [&](CopyStep step) {
        if (step == CopyStep::Created)
            stop = true;
    });
    const FileVerdict verdict = stopped.apply(files[1], context);
    EXPECT_EQ(verdict.kind, FileVerdict::Left);
    EXPECT_EQ(verdict.reason, int(MoveOutcome::Stopped));

    stop = false;
    MoveAction garbled(MoveDestination(tree.path("b"), {tree.path("a/copies")}), [&](CopyStep step) {
        if (step != CopyStep::Settled)
            return;
        for (const std::string &hidden : InTransitNamesBelow(tree.path("b")))
            std::fstream(hidden, std::ios::binary | std::ios::in | std::ios::out).seekp(12345).put('!');
    });
    EXPECT_EQ(garbled.apply(files[1], context).reason, int(MoveOutcome::CopyDiffered));
    EXPECT_EQ(FileContent(copy), big);
    EXPECT_EQ(InTransitNamesBelow(tree.path("b")), V{});
    EXPECT_FALSE(PathExists(tree.path("b/copies/film.mov")));

    // Every copy gone while the placed one waits for its batch: it stays.
    MoveAction waiting(MoveDestination(tree.path("b"), {tree.path("a/copies")}));
    EXPECT_EQ(waiting.apply(files[1], context).kind, FileVerdict::Pending);
    fs::remove(copy);
    fs::remove(kept);
    const std::vector<SettledFile> settled = waiting.settle(context, true);
    ASSERT_EQ(settled.size(), 1u);
    EXPECT_EQ(settled[0].verdict.kind, FileVerdict::Done);
    EXPECT_EQ(FileContent(tree.path("b/copies/film.mov")), big);
}

TEST_F(Move, NoFileGoesIntoTheTrashASystemTreeInstalledSoftwareOrBelowItsOwnFolder)
{
    const std::string kept = write("home/Photos/a.jpg", "photo", 1500000000);
    const std::string copy = write("home/Old/a.jpg", "photo");
    tree.mkdir("data/Trash/files/moved");
    tree.mkdir("system/share");
    tree.mkdir("home/.cargo/registry");
    tree.mkdir("home/Old/moved");
    trees = {{tree.path("system"), {}, SystemTree::Kind::System},
             {tree.path("home/.cargo"), {}, SystemTree::Kind::Software}};
    const ScopedEnv data("XDG_DATA_HOME", tree.path("data"));
    std::vector<ActionFile> files;
    addGroup(files, 1, {kept, copy});
    const V listed{tree.path("home/Photos"), tree.path("home/Old")};
    const std::pair<const char *, MoveOutcome> refused[] = {
        {"data/Trash/files/moved", MoveOutcome::TargetInTrash},  {"system/share", MoveOutcome::TargetInSystem},
        {"home/.cargo/registry", MoveOutcome::TargetInSoftware}, {"home/Old/moved", MoveOutcome::TargetInsideItsFolder},
        {"home/Old", MoveOutcome::TargetInsideItsFolder},        {"nowhere", MoveOutcome::TargetUnreachable}};
    for (const auto &[target, outcome] : refused) {
        const ActionBatch batch = run(files, tree.path(target), listed);
        EXPECT_EQ(batch.tally.leftFor, (std::map<int, int>{{int(outcome), 1}})) << target;
        EXPECT_EQ(FileContent(copy), "photo") << target;
    }
    // A folder inside a listed one is the user's: the next scan finds them there.
    tree.mkdir("home/Photos/set aside");
    const ActionBatch batch = run(files, tree.path("home/Photos/set aside"), listed);
    EXPECT_EQ(batch.tally.done, 1);
    EXPECT_EQ(FileContent(tree.path("home/Photos/set aside/Old/a.jpg")), "photo");
}

TEST_F(Move, AProtectedOrImmutableFileOrOneWhoseKeptCopyWentStaysWhereItIs)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4, "a"));
    std::vector<ActionFile> files;
    V copies;
    for (int group = 1; group <= 3; ++group) {
        const std::string name = "f" + std::to_string(group);
        const std::string kept = write("a/kept/" + name, name, 1500000000);
        copies.push_back(write("a/copies/" + name, name));
        addGroup(files, group, {kept, copies.back()});
    }
    ASSERT_EQ(std::system(("chattr +i '" + copies[0] + "'").c_str()), 0);
    files[1].identity = seen(copies[0]); // as a scan would see it now
    fs::remove(tree.path("a/kept/f3"));
    tree.mkdir("a/copies/guarded");
    const std::string guarded = write("a/copies/guarded/f2", "f2");
    files[3] = {guarded, seen(guarded), 2, false, true};
    tree.mkdir("a/moved");

    protectedFolders
        = std::make_shared<const ProtectedFolderList>(ProtectedFolderList{1, {tree.path("a/copies/guarded")}});
    const ActionBatch batch = run(files, tree.path("a/moved"), {tree.path("a/copies")});
    EXPECT_EQ(batch.tally.done, 0);
    EXPECT_EQ(batch.tally.inProtectedFolders, 1);
    EXPECT_EQ(batch.tally.leftFor,
              (std::map<int, int>{{int(MoveOutcome::Protected), 1}, {int(MoveOutcome::LastCopy), 1}}));
    std::system(("chattr -i '" + copies[0] + "'").c_str());
    for (const std::string &path : {copies[0], guarded, copies[2]})
        EXPECT_TRUE(PathExists(path)) << path;
}

} // namespace
