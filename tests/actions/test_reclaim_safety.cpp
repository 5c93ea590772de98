// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// What a hard link or shared storage must never do, on real images: change
// who may use a path, drop an attribute, lose what another program writes,
// open a protected file to changes, count space it did not release.
#include "boundary/ProtectedFolders.h"
#include "platform/FileRemoval.h"
#include "platform/OpenedDescriptor.h"
#include "tests/actions/ReclaimImages.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <thread>

namespace fs = std::filesystem;

namespace
{

using Kind = ImageKind;
using Safety = ReclaimImages;

class LinkOn : public ReclaimImages, public ::testing::WithParamInterface<Kind>
{
};

bool Shell(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

// Whether the user nobody can open the file for reading.
bool NobodyReads(const std::string &path)
{
    return AsUser(kNobody,
                  [&] {
                      const int fd = ::open(path.c_str(), O_RDONLY);
                      return fd >= 0 ? 0 : 1;
                  })
        == 0;
}

// A file capability, as setcap writes it: CAP_NET_RAW, permitted and effective.
void GiveCapability(const std::string &path)
{
    struct vfs_cap_data data {
    };
    data.magic_etc = VFS_CAP_REVISION_2 | VFS_CAP_FLAGS_EFFECTIVE;
    data.data[0].permitted = 1u << CAP_NET_RAW;
    ASSERT_EQ(::setxattr(path.c_str(), "security.capability", &data, sizeof data, 0), 0) << path;
}

// Another program with the file open for writing (as `exec 7>>file`): it
// opens the file when made, or, told to, once the caller lets it; writes
// `text` when told and ends.
class Writer
{
public:
    explicit Writer(const std::string &path, bool openNow = true)
    {
        int ready[2], go[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            char byte = 0;
            int fd = openNow ? ::open(path.c_str(), O_WRONLY | O_APPEND) : -1;
            ::write(ready[1], "r", 1);
            if (::read(go[0], &byte, 1) != 1)
                ::_exit(2);
            if (fd < 0)
                fd = ::open(path.c_str(), O_WRONLY | O_APPEND); // waits while a lease is held
            ::_exit(fd >= 0 && ::write(fd, &byte, 1) == 1 ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(go[0]);
        go_ = go[1];
        char byte = 0;
        ::read(ready[0], &byte, 1);
        ::close(ready[0]);
    }
    ~Writer() { finish('\0'); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Writes one byte; true when the program wrote it and ended.
    bool finish(char text)
    {
        if (pid_ <= 0)
            return false;
        open(text);
        return ended();
    }
    // Lets it open the file now, without waiting for it to end.
    void open(char text)
    {
        ::write(go_, &text, 1);
        ::close(go_);
        go_ = -1;
    }
    // Whether it wrote and ended; waits for that.
    bool ended()
    {
        int status = 0;
        const bool ok
            = pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        pid_ = -1;
        return ok;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
};

// Waits until some lease is being broken: an opener waits on it.
// Whether the lease on the file `inode` is being broken; other tests running
// beside this one break leases of their own.
bool LeaseBreaking(std::uint64_t inode)
{
    const std::string ofFile = ":" + std::to_string(inode) + " ";
    for (int tries = 0; tries < 500; ++tries) {
        std::istringstream locks(FileContent("/proc/locks"));
        for (std::string line; std::getline(locks, line);)
            if (line.find("BREAKING") != std::string::npos && line.find(ofFile) != std::string::npos)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST_P(LinkOn, NeverChangesWhoMayUseAPathNorDropsAnAttribute)
{
    SKIP_UNLESS_IMAGE(mountDisk(GetParam()));
    if (!Shell("command -v setfacl >/dev/null"))
        GTEST_SKIP() << "setfacl is not installed";
    ::chmod(tree.root().c_str(), 0755);
    const std::string small = RandomBytes(20000, 5);
    // The copy keeps nobody out, the kept copy does not (both mode 644).
    const auto denied = group("disk/denied", 1, small);
    ASSERT_TRUE(Shell("setfacl -m u:nobody:--- '" + denied[0] + "'"));
    // The kept copy lets nobody in, the copy does not (both mode 640).
    const auto granted = group("disk/granted", 1, small);
    ::chmod(granted[0].c_str(), 0640);
    ::chmod(kept("disk/granted").path.c_str(), 0640);
    ASSERT_TRUE(Shell("setfacl -m u:nobody:r '" + kept("disk/granted").path + "'"));
    // The same entry on both: nothing changes but the name.
    const auto same = group("disk/same", 1, small);
    ASSERT_TRUE(Shell("setfacl -m u:nobody:--- '" + same[0] + "' '" + kept("disk/same").path + "'"));
    const auto noted = group("disk/noted", 1, small);
    ASSERT_EQ(::setxattr(noted[0].c_str(), "user.note", "mine", 4, 0), 0);
    const auto capable = group("disk/capable", 1, small);
    GiveCapability(capable[0]);
    ASSERT_FALSE(NobodyReads(denied[0]));
    ASSERT_FALSE(NobodyReads(granted[0]));
    const std::int64_t allocated = StatPathNoFollow(same[0]).allocatedBytes;

    SpaceReclaimer linker(ReclaimKind::HardLink);
    for (const std::string *copy : {&denied[0], &granted[0], &noted[0], &capable[0]}) {
        const std::string folder = fs::path(*copy).parent_path().string();
        const FileIdentity before = seen(*copy);
        EXPECT_EQ(linker.apply(*copy, before, {folder + "/a/kept", seen(folder + "/a/kept")}, {}).outcome,
                  ReclaimOutcome::AttributesDiffer)
            << *copy;
        EXPECT_EQ(seen(*copy), before) << *copy;
    }
    EXPECT_EQ(linker.apply(same[0], seen(same[0]), kept("disk/same"), {}).outcome, ReclaimOutcome::Done);
    EXPECT_EQ(seen(same[0]).inode, kept("disk/same").identity.inode);

    EXPECT_FALSE(NobodyReads(denied[0]));
    EXPECT_FALSE(NobodyReads(granted[0]));
    char note[8] = {};
    EXPECT_EQ(::getxattr(noted[0].c_str(), "user.note", note, sizeof note), 4);
    EXPECT_GT(::getxattr(capable[0].c_str(), "security.capability", nullptr, 0), 0);
    EXPECT_EQ(linker.released(), allocated);
}

TEST_P(LinkOn, LeavesACopyAnotherProgramHasOpenAndLosesNothingItWrites)
{
    SKIP_UNLESS_IMAGE(mountDisk(GetParam()));
    const std::vector<std::string> files = copies(2);
    SpaceReclaimer linker(ReclaimKind::HardLink);
    {
        Writer writer(files[0]); // exec 7>>copy0
        EXPECT_EQ(linker.apply(files[0], seen(files[0]), kept(), {}).outcome, ReclaimOutcome::InUse);
        ASSERT_TRUE(writer.finish('x'));
    }
    EXPECT_EQ(FileContent(files[0]), bytes + "x");
    EXPECT_NE(seen(files[0]).inode, kept().identity.inode);
    // A program reading it is in the way too: no lease while it is open.
    const int reader = ::open(files[1].c_str(), O_RDONLY);
    EXPECT_EQ(linker.apply(files[1], seen(files[1]), kept(), {}).outcome, ReclaimOutcome::InUse);
    ::close(reader);
    EXPECT_EQ(linker.apply(files[1], seen(files[1]), kept(), {}).outcome, ReclaimOutcome::Done);
    EXPECT_TRUE(InTransitNamesBelow(at("")).empty());
}

TEST_P(LinkOn, AProgramOpeningTheCopyDuringTheStepMakesItUndoItself)
{
    SKIP_UNLESS_IMAGE(mountDisk(GetParam()));
    const std::vector<std::string> files = copies(2);
    // Before the swap, through the copy's path; after it, through the old
    // copy's hidden name, as a program that looked the path up just before.
    const struct {
        LinkStep step;
        bool byHiddenName;
    } moments[] = {{LinkStep::Verified, false}, {LinkStep::Exchanged, true}};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string &copy = files[i];
        const std::uint64_t leased = seen(copy).inode; // the copy's own, wherever its name is
        std::unique_ptr<Writer> writer;
        SpaceReclaimer linker(ReclaimKind::HardLink);
        const SpaceReclaimer::Checks checks{
            nullptr, nullptr, [&](LinkStep step) {
                if (step != moments[i].step)
                    return;
                std::string path = copy;
                if (moments[i].byHiddenName)
                    for (const auto &entry : fs::directory_iterator(at("")))
                        if (entry.path().filename().string().starts_with(kLinkingPrefix))
                            path = entry.path().string();
                writer = std::make_unique<Writer>(path, false);
                writer->open('y');
                EXPECT_TRUE(LeaseBreaking(leased));
            }};
        EXPECT_EQ(linker.apply(copy, seen(copy), kept(), checks).outcome, ReclaimOutcome::InUse) << i;
        ASSERT_TRUE(writer);
        EXPECT_TRUE(writer->ended()) << i;
        EXPECT_EQ(FileContent(copy), bytes + "y") << i;
        EXPECT_NE(seen(copy).inode, kept().identity.inode) << i;
        EXPECT_EQ(FileContent(kept().path), bytes) << i;
        EXPECT_TRUE(InTransitNamesBelow(at("")).empty()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, LinkOn, ::testing::Values(Kind::Btrfs, Kind::Xfs, Kind::Ext4), ImageCaseName);

TEST_F(Safety, WithoutOwningTheCopyNoLeaseAndNoLinkButTheOwnerLinks)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Ext4));
    ::chmod(tree.root().c_str(), 0755);
    ::chmod(at("").c_str(), 0777);
    const std::vector<std::string> theirs = group("disk/theirs", 1, bytes);
    const std::vector<std::string> mine = group("disk/mine", 1, bytes);
    for (const std::string &path : {theirs[0], kept("disk/theirs").path}) {
        ::chown(path.c_str(), 1234, 1234);
        ::chmod(path.c_str(), 0666);
    }
    for (const std::string &path : {at("theirs"), at("theirs/a"), at("mine"), at("mine/a")})
        ::chmod(path.c_str(), 0777);
    for (const std::string &path : {mine[0], kept("disk/mine").path})
        ::chown(path.c_str(), kNobody, kNobody);
    const auto linkAsNobody = [&](const std::string &copy, const KeptCopy &keptCopy) {
        return AsUser(kNobody, [&] {
            SpaceReclaimer linker(ReclaimKind::HardLink);
            return int(linker.apply(copy, seen(copy), keptCopy, {}).outcome);
        });
    };
    EXPECT_EQ(linkAsNobody(theirs[0], kept("disk/theirs")), int(ReclaimOutcome::WriterUnknown));
    EXPECT_NE(seen(theirs[0]).inode, kept("disk/theirs").identity.inode);
    EXPECT_EQ(linkAsNobody(mine[0], kept("disk/mine")), int(ReclaimOutcome::Done));
    EXPECT_EQ(seen(mine[0]).inode, kept("disk/mine").identity.inode);
}

TEST_F(Safety, AProtectedKeptCopyIsNeverALinkTargetButMayShareItsStorage)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Btrfs));
    const std::vector<std::string> files = copies(2);
    // Protected after the scan judged its row: asked of its folder now.
    ProtectedFolders protectedNow({at("a")});
    SpaceReclaimer linker(ReclaimKind::HardLink);
    EXPECT_EQ(linker.apply(files[0], seen(files[0]), kept(), {nullptr, &protectedNow, {}}).outcome,
              ReclaimOutcome::KeptCopyProtected);
    KeptCopy judged = kept();
    judged.inProtectedFolder = true;
    EXPECT_EQ(linker.apply(files[0], seen(files[0]), judged, {}).outcome, ReclaimOutcome::KeptCopyProtected);
    std::ofstream(files[0], std::ios::app) << "x"; // echo x >> copy
    EXPECT_EQ(FileContent(kept().path), bytes);

    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(files[1], seen(files[1]), kept(), {nullptr, &protectedNow, {}}).outcome,
              ReclaimOutcome::Done);
    std::ofstream(files[1], std::ios::app) << "x";
    EXPECT_EQ(FileContent(kept().path), bytes);
}

TEST_F(Safety, TheBenchLeavesCopiesWhoseKeptCopyIsProtected)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Xfs));
    const std::vector<std::string> files = copies(2);
    const std::string out = tree.path("bench.out");
    ASSERT_TRUE(Shell(std::string(VARNOK_BENCH) + " --protect '" + at("a") + "' --apply link '" + at("") + "' > '" + out
                      + "' 2>/dev/null"));
    EXPECT_NE(FileContent(out).find("changed=0 released=0 left=2"), std::string::npos) << FileContent(out);
    for (const std::string &file : files)
        EXPECT_NE(seen(file).inode, kept().identity.inode);
}

// Other programs write on the same file system all along: the figure is
// what the changed files gave up, to the byte.
TEST_F(Safety, TheReleasedFigureIgnoresWhatOtherProgramsWrite)
{
    for (const Kind kind : {Kind::Btrfs, Kind::Ext4}) {
        const std::string name = std::string("disk-") + ImageName(kind);
        tree.mkdir(name);
        disk = MountImage(tree, kind, name, 512);
        SKIP_UNLESS_IMAGE(*disk);
        const std::vector<std::string> files = copies(3, name);
        const std::int64_t allocated = StatPathNoFollow(files[0]).allocatedBytes;
        std::atomic<bool> done{false};
        std::thread noise([&] {
            const std::string block = RandomBytes(1 << 20, 11);
            for (int round = 0; !done.load(); ++round) {
                const std::string path = tree.path(name + "/noise" + std::to_string(round % 8));
                std::ofstream(path, std::ios::binary) << block << block;
                ::sync();
                if (round % 3 == 0)
                    ::unlink(tree.path(name + "/noise" + std::to_string((round + 4) % 8)).c_str());
            }
        });
        const ReclaimKind how = kind == Kind::Btrfs ? ReclaimKind::ShareStorage : ReclaimKind::HardLink;
        SpaceReclaimer reclaimer(how);
        for (const std::string &file : files) {
            EXPECT_EQ(reclaimer.apply(file, seen(file), kept(name), {}).outcome, ReclaimOutcome::Done) << file;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        done.store(true);
        noise.join();
        EXPECT_EQ(reclaimer.released(), 3 * allocated) << ImageName(kind);
        disk.reset();
    }
}

TEST_F(Safety, BtrfsTellsACopyOnWriteMismatchAndFilesTooSmallToShare)
{
    SKIP_UNLESS_IMAGE(mountDisk(Kind::Btrfs));
    // A kept copy stored without copy-on-write: the flag takes only on an empty file.
    fs::create_directories(at("nocow/a"));
    {
        const OpenedDescriptor fd(::open(at("nocow/a/kept").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        int flags = 0;
        ASSERT_EQ(::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags), 0);
        flags |= FS_NOCOW_FL;
        ASSERT_EQ(::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags), 0);
        ASSERT_EQ(::write(fd.get(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::ofstream(at("nocow/copy0"), std::ios::binary) << bytes;
    const std::vector<std::string> plain = copies(1);
    const std::vector<std::string> tiny = group("disk/tiny", 2, RandomBytes(1000, 3));
    ::sync();

    SpaceReclaimer sharer(ReclaimKind::ShareStorage);
    EXPECT_EQ(sharer.apply(at("nocow/copy0"), seen(at("nocow/copy0")), kept("disk/nocow"), {}).outcome,
              ReclaimOutcome::CopyOnWriteDiffers);
    EXPECT_EQ(sharer.apply(plain[0], seen(plain[0]), kept(), {}).outcome, ReclaimOutcome::Done);
    for (const std::string &file : tiny)
        EXPECT_EQ(sharer.apply(file, seen(file), kept("disk/tiny"), {}).outcome, ReclaimOutcome::TooSmallToShare)
            << file;
    EXPECT_EQ(sharer.released(), StatPathNoFollow(plain[0]).allocatedBytes);
    EXPECT_EQ(FileContent(tiny[1]).size(), 1000u);

    // A small kept copy in a block of its own (cut down from a larger file,
    // which stays in its block): a small copy is asked of the kernel, which
    // may take the block for it; whatever it does, the map tells.
    const std::string small = RandomBytes(1000, 4);
    const std::vector<std::string> inBlock = group("disk/inblock", 1, small);
    std::ofstream(at("inblock/a/kept"), std::ios::binary | std::ios::trunc) << small << std::string(64 << 10, 'x');
    ::sync();
    ASSERT_EQ(::truncate(at("inblock/a/kept").c_str(), 1000), 0);
    ::sync();
    const std::optional<ExtentMap> keptMap = ExtentsOfPath(at("inblock/a/kept"));
    ASSERT_TRUE(keptMap && !keptMap->empty() && !HasInlineData(*keptMap));
    const ReclaimOutcome outcome = sharer.apply(inBlock[0], seen(inBlock[0]), kept("disk/inblock"), {}).outcome;
    const std::optional<ExtentMap> copyMap = ExtentsOfPath(inBlock[0]);
    ASSERT_TRUE(copyMap);
    EXPECT_EQ(outcome, ReclaimOutcome::Done);
    EXPECT_EQ(outcome == ReclaimOutcome::Done, SameStorage(*copyMap, *ExtentsOfPath(at("inblock/a/kept"))));
    EXPECT_EQ(FileContent(inBlock[0]), small);
}
