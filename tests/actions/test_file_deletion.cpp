// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileDeletion.h"
#include "boundary/ScanBoundary.h"
#include "platform/FileRemoval.h"
#include "platform/FileStatus.h"
#include "platform/FolderHandle.h"
#include "platform/FreedesktopTrash.h"
#include "tests/support/FrozenFolder.h"
#include "tests/support/FuseAliasMount.h"
#include "tests/support/ScarceDescriptors.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestMount.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

FileIdentity IdentityOf(const std::string &path)
{
    return StatPathNoFollow(path).identity;
}

// Identity of an entry at a path longer than PATH_MAX, reached a folder at a
// time; none when nothing is there.
std::optional<FileIdentity> DeepIdentity(const std::string &path)
{
    const std::string::size_type slash = path.rfind('/');
    int fd = ::open("/", O_PATH | O_DIRECTORY);
    std::stringstream parts(path.substr(1, slash - 1));
    for (std::string part; fd >= 0 && std::getline(parts, part, '/');) {
        const int next = ::openat(fd, part.c_str(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    struct stat st;
    const bool found = fd >= 0 && ::fstatat(fd, path.substr(slash + 1).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!found)
        return std::nullopt;
    return FromStat(st).identity;
}

class RemovalTest : public ::testing::Test
{
protected:
    TempTree tree;
    std::string trash = tree.path("data/Trash");
    ScopedEnv dataHome{"XDG_DATA_HOME", tree.path("data")};

    RemovalOutcome remove(const std::string &path, bool recycle)
    {
        return ShellDeleteFile(path, IdentityOf(path), recycle);
    }
    std::string trashedInfo(const std::string &trashName) const
    {
        return FileContent(trash + "/info/" + trashName + ".trashinfo");
    }
};

// "[Trash Info]" with the given escaped path and a local deletion time.
::testing::AssertionResult IsTrashInfo(const std::string &text, const std::string &escapedPath)
{
    const std::regex form("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    if (!std::regex_match(text, match, form))
        return ::testing::AssertionFailure() << "not a trash info: " << text;
    if (match[1] != escapedPath)
        return ::testing::AssertionFailure() << "path " << match[1] << " instead of " << escapedPath;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(RemovalTest, PermanentDeletionUnlinksAndRecyclingFilesTheHomeTrash)
{
    const std::string gone = tree.write("a b.txt", "hello");
    EXPECT_EQ(remove(gone, false), RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(gone));
    EXPECT_FALSE(PathExists(trash + "/files/a b.txt"));

    const std::string first = tree.write("x/same name.txt", "one");
    const std::string second = tree.write("y/same name.txt", "two");
    EXPECT_EQ(remove(first, true), RemovalOutcome::Removed);
    EXPECT_EQ(remove(second, true), RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(first));
    EXPECT_FALSE(PathExists(second));
    EXPECT_EQ(FileContent(trash + "/files/same name.txt"), "one");
    EXPECT_EQ(FileContent(trash + "/files/same name.txt.1"), "two");
    EXPECT_TRUE(IsTrashInfo(trashedInfo("same name.txt"), FreedesktopTrash::escapePath(first)));
    EXPECT_TRUE(IsTrashInfo(trashedInfo("same name.txt.1"), FreedesktopTrash::escapePath(second)));
    EXPECT_NE(trashedInfo("same name.txt").find("same%20name.txt"), std::string::npos);

    // A relative path is recorded as absolute.
    const std::string relative = tree.write("rel.txt", "r");
    const fs::path before = fs::current_path();
    fs::current_path(tree.root());
    EXPECT_EQ(remove("rel.txt", true), RemovalOutcome::Removed);
    fs::current_path(before);
    EXPECT_TRUE(IsTrashInfo(trashedInfo("rel.txt"), FreedesktopTrash::escapePath(relative)));
}

TEST_F(RemovalTest, NamesAreExactBytesOfAnyLength)
{
    const std::string raw = std::string("caf\xE9-\xFF\xFE.txt");
    const std::string odd = tree.write(raw, "latin1");
    EXPECT_EQ(remove(odd, true), RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(odd));
    EXPECT_EQ(FileContent(trash + "/files/" + raw), "latin1");
    EXPECT_TRUE(IsTrashInfo(trashedInfo(raw), FreedesktopTrash::escapePath(tree.root()) + "/caf%E9-%FF%FE.txt"));

    // The longest name a folder takes still gets an info file beside it.
    const std::string longName(NAME_MAX, 'n');
    const std::string full = tree.write(longName, "long");
    EXPECT_EQ(remove(full, true), RemovalOutcome::Removed);
    const std::string trashName = longName.substr(0, NAME_MAX - 10);
    EXPECT_EQ(FileContent(trash + "/files/" + trashName), "long");
    EXPECT_TRUE(IsTrashInfo(trashedInfo(trashName), FreedesktopTrash::escapePath(full)));

    const std::string over300 = tree.write(std::string(150, 'p') + "/" + std::string(150, 'q') + "/f.txt", "far");
    ASSERT_GT(over300.size(), 300u);
    EXPECT_EQ(remove(over300, true), RemovalOutcome::Removed);
    EXPECT_TRUE(IsTrashInfo(trashedInfo("f.txt"), FreedesktopTrash::escapePath(over300)));
}

TEST_F(RemovalTest, ManyFilesOfOneNameEachGetANameOfTheirOwn)
{
    // Another program's entries already hold the first names.
    const std::string foreign = "[Trash Info]\nPath=/elsewhere\nDeletionDate=2020-01-01T00:00:00\n";
    for (int k = 0; k < 40; ++k)
        tree.write("data/Trash/info/cover.jpg" + (k ? "." + std::to_string(k) : "") + ".trashinfo", foreign);
    // Each file's content says which it is; the longest name a folder takes
    // must still leave room for its counter and the info file's suffix.
    std::map<std::string, std::string> origins;
    for (int k = 0; k < 200; ++k)
        origins["cover " + std::to_string(k)] = "photos/" + std::to_string(k) + "/cover.jpg";
    for (int k = 0; k < 12; ++k)
        origins["long " + std::to_string(k)] = "long/" + std::to_string(k) + "/" + std::string(NAME_MAX, 'n');
    for (const auto &[content, relative] : origins)
        ASSERT_EQ(remove(tree.write(relative, content), true), RemovalOutcome::Removed) << relative;

    // Every name in files/ is the original, perhaps shortened, and a counter;
    // its info file tells where that very file came from.
    const std::regex coverName("cover\\.jpg(\\.\\d+)?"), longName("n+(\\.\\d+)?");
    for (const auto &entry : fs::directory_iterator(trash + "/files")) {
        const std::string name = entry.path().filename().string();
        const std::string content = FileContent(entry.path().string());
        ASSERT_EQ(origins.count(content), 1u) << name;
        EXPECT_LE(name.size() + 10, std::size_t(NAME_MAX)) << name;
        EXPECT_TRUE(std::regex_match(name, content[0] == 'c' ? coverName : longName)) << name;
        EXPECT_TRUE(IsTrashInfo(trashedInfo(name), FreedesktopTrash::escapePath(tree.path(origins[content])))) << name;
        origins.erase(content);
    }
    EXPECT_TRUE(origins.empty());
    EXPECT_EQ(trashedInfo("cover.jpg.39"), foreign);
}

TEST_F(RemovalTest, PathsLongerThanTheKernelTakesAtOnce)
{
    const std::string forever = tree.writeDeep("forever.txt", "deep", PATH_MAX);
    const std::string recycled = tree.writeDeep("recycled.txt", "deep", PATH_MAX);
    ASSERT_TRUE(DeepIdentity(forever));
    struct stat st;
    ASSERT_NE(::lstat(forever.c_str(), &st), 0); // the plain call cannot reach it

    EXPECT_EQ(ShellDeleteFile(forever, *DeepIdentity(forever), false), RemovalOutcome::Removed);
    EXPECT_FALSE(DeepIdentity(forever));
    EXPECT_EQ(ShellDeleteFile(recycled, *DeepIdentity(recycled), true), RemovalOutcome::Removed);
    EXPECT_FALSE(DeepIdentity(recycled));
    EXPECT_TRUE(IsTrashInfo(trashedInfo("recycled.txt"), FreedesktopTrash::escapePath(recycled)));
}

TEST_F(RemovalTest, GoneFilesAreReportedAsSuch)
{
    const std::string file = tree.write("gone.txt", "x");
    const FileIdentity seen = IdentityOf(file);
    ::unlink(file.c_str());
    EXPECT_EQ(ShellDeleteFile(file, seen, true), RemovalOutcome::Gone);
    EXPECT_EQ(ShellDeleteFile(file, seen, false), RemovalOutcome::Gone);

    // Its folder turned into a file: the path leads nowhere now.
    const std::string inner = tree.write("folder/inner.txt", "y");
    const FileIdentity innerSeen = IdentityOf(inner);
    fs::remove_all(tree.path("folder"));
    tree.write("folder", "now a file");
    EXPECT_EQ(ShellDeleteFile(inner, innerSeen, false), RemovalOutcome::Gone);
    EXPECT_EQ(tree.read("folder"), "now a file");
}

TEST_F(RemovalTest, ChangedFilesAreLeftAlone)
{
    const std::string rewritten = tree.write("rewritten.txt", "before");
    const FileIdentity rewrittenSeen = IdentityOf(rewritten);
    tree.write("rewritten.txt", "after!"); // same size, new time
    tree.setTime("rewritten.txt", 1500000000);

    const std::string replaced = tree.write("replaced.txt", "same");
    const FileIdentity replacedSeen = IdentityOf(replaced);
    tree.write("other.txt", "same");
    fs::rename(tree.path("other.txt"), replaced); // a new file under the old name

    const std::string linked = tree.write("linked.txt", "target");
    const FileIdentity linkedSeen = IdentityOf(linked);
    fs::rename(linked, tree.path("moved.txt"));
    tree.symlink(tree.path("moved.txt"), "linked.txt");

    const std::string folder = tree.write("became-folder", "z");
    const FileIdentity folderSeen = IdentityOf(folder);
    fs::remove(folder);
    tree.mkdir("became-folder");

    const std::pair<std::string, FileIdentity> seen[]
        = {{rewritten, rewrittenSeen}, {replaced, replacedSeen}, {linked, linkedSeen}, {folder, folderSeen}};
    for (bool recycle : {true, false})
        for (const auto &[path, identity] : seen)
            EXPECT_EQ(ShellDeleteFile(path, identity, recycle), RemovalOutcome::Changed) << path << recycle;
    EXPECT_EQ(tree.read("rewritten.txt"), "after!");
    EXPECT_EQ(tree.read("replaced.txt"), "same");
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_EQ(tree.read("moved.txt"), "target");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(PathExists(trash + "/files"));
}

TEST_F(RemovalTest, RefusedDeletionLeavesTheFile)
{
    const std::string file = tree.write("locked/keep.txt", "keep");
    FrozenFolder frozen(tree.path("locked"));
    if (!frozen.holds())
        GTEST_SKIP() << "no means to bar a removal here";
    // Root is barred by the folder's immutable attribute, which the boundary
    // knows: its files are passed by before anything is tried.
    const RemovalOutcome barred = ::geteuid() == 0 ? RemovalOutcome::Protected : RemovalOutcome::Refused;
    EXPECT_EQ(remove(file, false), barred);
    EXPECT_EQ(remove(file, true), barred);
    EXPECT_TRUE(PathExists(file));
    // The claim on the trash name is given back.
    EXPECT_TRUE(!PathExists(trash + "/info") || fs::is_empty(trash + "/info"));
}

// The trash's own failure is told apart from the file's, with where it was
// looked for, so that the user can be told why nothing went.
TEST_F(RemovalTest, UnusableTrashNeverMeansDeletedForGoodAndSaysWhereItWasLookedFor)
{
    const std::string file = tree.write("precious.txt", "precious");
    std::string where;
    int why = 0;
    RemovalChecks checks;
    checks.trashUnusable = [&](const std::string &trashPath, int error) {
        where = trashPath;
        why = error;
    };
    const auto recycle = [&] {
        where.clear();
        why = 0;
        return ShellDeleteFile(file, IdentityOf(file), true, checks);
    };
    tree.write("data/Trash", "a file where the trash should be");
    EXPECT_EQ(recycle(), RemovalOutcome::Refused);
    EXPECT_EQ(where, trash);
    EXPECT_EQ(why, ENOTDIR);
    {
        ScopedEnv named("XDG_DATA_HOME", tree.write("not-a-folder", "x"));
        EXPECT_EQ(recycle(), RemovalOutcome::Refused);
        EXPECT_EQ(where, tree.path("not-a-folder/Trash"));
        EXPECT_EQ(why, ENOTDIR);
    }
    {
        // A trash that cannot be made is no file gone: its row must stay.
        tree.symlink(tree.path("nowhere"), "dangling");
        ScopedEnv dangling("XDG_DATA_HOME", tree.path("dangling/data"));
        EXPECT_EQ(recycle(), RemovalOutcome::Refused);
        EXPECT_EQ(where, tree.path("dangling/data/Trash"));
        EXPECT_EQ(why, ENOENT);
    }
    EXPECT_EQ(tree.read("precious.txt"), "precious");

    // A trash whose info folder takes nothing, as in a read-only home.
    fs::remove(trash);
    tree.mkdir("data/Trash/info");
    FrozenFolder frozen(trash + "/info");
    if (!frozen.holds())
        GTEST_SKIP() << "no means to bar the info folder here";
    EXPECT_EQ(recycle(), RemovalOutcome::Refused);
    EXPECT_EQ(where, trash);
    EXPECT_NE(why, 0);
    EXPECT_EQ(tree.read("precious.txt"), "precious");
}

// A tmpfs mount of the test's own stands for a USB stick.
TEST_F(RemovalTest, FilesGoToThePerUserTrashAtTheTopOfTheirOwnMountOrASharedStickyOne)
{
    tree.mkdir("other");
    TestMount other(tree.path("other"));
    if (!other.made())
        GTEST_SKIP() << "making a mount needs root";
    const std::string uid = std::to_string(::getuid());
    tree.write("other/deep/sub/far.txt", "far");
    tree.symlink(tree.path("other/deep"), "link"); // reached from the disk: its own mount still counts
    EXPECT_EQ(remove(tree.path("link/sub/far.txt"), true), RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(tree.path("other/deep/sub/far.txt")));
    EXPECT_EQ(tree.read("other/.Trash-" + uid + "/files/far.txt"), "far");
    // Paths in a mount's trash are relative to the top of the mount.
    EXPECT_TRUE(IsTrashInfo(tree.read("other/.Trash-" + uid + "/info/far.txt.trashinfo"), "deep/sub/far.txt"));
    EXPECT_FALSE(PathExists(tree.path("other/deep/.Trash-" + uid)));
    EXPECT_FALSE(PathExists(trash + "/files"));

    // A shared sticky trash at the top takes a folder per user.
    tree.write("other/near.txt", "near");
    ASSERT_EQ(::mkdir(tree.path("other/.Trash").c_str(), 01777), 0);
    ::chmod(tree.path("other/.Trash").c_str(), 01777);
    EXPECT_EQ(remove(tree.path("other/near.txt"), true), RemovalOutcome::Removed);
    EXPECT_EQ(tree.read("other/.Trash/" + uid + "/files/near.txt"), "near");
}

namespace
{

// Asked of the file system itself, not of a user-space one's cache.
FileIdentity FreshIdentityOf(const std::string &path)
{
    return StatAt(AT_FDCWD, path.c_str(), true).identity;
}

// Nothing but the file is left of deletions that were put back: no hidden
// name beside it, nothing in the trash at the top of its mount.
::testing::AssertionResult OnlyTheFileIn(const std::string &folder, const std::string &name)
{
    const std::string trash = ".Trash-" + std::to_string(::getuid());
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        const bool inTrash = entry.path().string().find("/" + trash) != std::string::npos;
        if (entry.is_directory() ? !inTrash : entry.path().filename() != name)
            return ::testing::AssertionFailure() << "left behind: " << entry.path();
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(RemovalTest, OneFileSeenThroughTwoMountsIsPutBackWhicheverPathGoes)
{
    const std::string direct = tree.write("real/only.txt", "only");
    tree.mkdir("alias");
    FuseAliasMount alias(tree.path("real"), tree.path("alias"));
    if (!alias.made())
        GTEST_SKIP() << "needs root and bindfs";
    const std::string through = tree.path("alias/only.txt");
    ASSERT_NE(FreshIdentityOf(direct).device, FreshIdentityOf(through).device); // two files to the scan

    for (bool recycle : {false, true})
        for (const auto &[victim, kept] : {std::pair{direct, through}, std::pair{through, direct}}) {
            const FileIdentity keptSeen = FreshIdentityOf(kept);
            RemovalChecks checks;
            checks.keptCopyStands = [&] { return IsFileAsSeen(kept, keptSeen); };
            EXPECT_EQ(ShellDeleteFile(victim, FreshIdentityOf(victim), recycle, checks), RemovalOutcome::LastCopy)
                << victim << recycle;
            EXPECT_EQ(tree.read("real/only.txt"), "only");
            EXPECT_TRUE(OnlyTheFileIn(tree.path("real"), "only.txt"));
        }
    EXPECT_FALSE(PathExists(trash + "/files/only.txt"));
    EXPECT_FALSE(PathExists(trash + "/info/only.txt.trashinfo"));

    // A kept copy of its own lets the file go, through either path.
    const std::string other = tree.write("other.txt", "only");
    const FileIdentity otherSeen = FreshIdentityOf(other);
    RemovalChecks checks;
    checks.keptCopyStands = [&] { return IsFileAsSeen(other, otherSeen); };
    EXPECT_EQ(ShellDeleteFile(through, FreshIdentityOf(through), false, checks), RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(direct));
    EXPECT_TRUE(OnlyTheFileIn(tree.path("real"), "none"));
}

TEST_F(RemovalTest, FilesInSystemTreesStay)
{
    const std::string inTree = tree.write("system/tool.bin", "tool");
    ScanBoundary boundary({SystemTree{tree.path("system"), {}}});
    FolderHandle folder;
    ASSERT_EQ(folder.open(tree.path("system")), 0);
    if (boundary.listedFolder(folder.fd()) == FolderStanding::User)
        GTEST_SKIP() << "this build's boundary does not know system trees";
    RemovalChecks checks;
    checks.boundary = &boundary;
    for (bool recycle : {false, true})
        EXPECT_EQ(ShellDeleteFile(inTree, IdentityOf(inTree), recycle, checks), RemovalOutcome::Protected);
    EXPECT_EQ(tree.read("system/tool.bin"), "tool");
}

TEST_F(RemovalTest, ImmutableAndAppendOnlyFilesStay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "setting file attributes needs root";
    for (const char *flag : {"+i", "+a"}) {
        const std::string file = tree.write("guarded.txt", "guarded");
        if (std::system(("chattr " + std::string(flag) + " '" + file + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "no chattr or no attributes here";
        for (bool recycle : {false, true})
            EXPECT_EQ(remove(file, recycle), RemovalOutcome::Protected) << flag << recycle;
        EXPECT_EQ(std::system(("chattr -i -a '" + file + "'").c_str()), 0);
        EXPECT_EQ(tree.read("guarded.txt"), "guarded");
        EXPECT_FALSE(PathExists(trash + "/info/guarded.txt.trashinfo"));
    }
}

TEST_F(RemovalTest, AShortageOfDescriptorsIsWaitedOutNotTakenForAFileGone)
{
    const std::string kept = tree.write("a/kept", "same");
    const std::string copy = tree.write("b/copy", "same");
    const FileIdentity keptSeen = IdentityOf(kept);
    const FileIdentity copySeen = IdentityOf(copy);
    ScanBoundary boundary;
    const RemovalChecks checks{&boundary, [&] { return IsFileAsSeen(kept, keptSeen); }, {}, {}};
    // Every descriptor taken until another thread gives some back.
    ScarceDescriptors scarce(128, 0);
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        scarce.giveBack(16);
    });
    const RemovalOutcome outcome = ShellDeleteFile(copy, copySeen, false, checks);
    later.join();
    EXPECT_EQ(outcome, RemovalOutcome::Removed);
    EXPECT_FALSE(PathExists(copy));
    EXPECT_EQ(FileContent(kept), "same");
}
