// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/ScanBoundary.h"
#include "platform/FolderHandle.h"
#include "platform/FreedesktopTrash.h"
#include "platform/OpenFileLimit.h"
#include "platform/PseudoFileSystems.h"
#include "platform/TransitNames.h"
#include "platform/TrashFolders.h"
#include "platform/UserHomes.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Folders that hold a repository's history, never the user's own files.
constexpr std::array<std::string_view, 9> kStoreNames
    = {".git", ".hg", ".svn", ".bzr", "_darcs", ".jj", ".pijul", ".fossil-settings", "CVSROOT"};
// Files of a repository's machinery among the working files: a submodule's or
// a worktree's pointer to its store ("gitdir: ..."), a fossil checkout's database.
constexpr std::array<std::string_view, 3> kStoreFileNames = {".git", ".fslckout", "_FOSSIL_"};
// npm, yarn and pnpm install a project's packages there.
constexpr std::string_view kPackagesFolder = "node_modules";

// Installed software kept in a home. A package manager or a toolchain made
// it and will make it again; the user did not, and cannot tell which copy is
// safe to remove. Each is passed by whole.
struct SoftwareFolder {
    std::string_view path; // in the home
    std::string_view why;
};
constexpr std::array<SoftwareFolder, 12> kSoftwareInHome = {{
    {".cache", "the XDG cache folder's default place: what programs fetch or make again"},
    {".rustup", "Rust toolchains installed by rustup"},
    {".cargo/registry", "crates downloaded by cargo"},
    {".cargo/git", "git dependencies checked out by cargo"},
    {".pyenv", "Python versions built by pyenv"},
    {".nvm", "Node.js versions installed by nvm"},
    {".npm", "npm's package cache"},
    {".m2/repository", "Maven's local repository"},
    {".gradle/caches", "Gradle's downloaded dependencies and build caches"},
    {"go/pkg/mod", "Go's module cache"},
    {".local/share/flatpak", "Flatpak applications and runtimes installed for the user"},
    {"snap", "snaps' per-user data and revisions"},
}};
// And .local/lib/python*: packages installed with pip --user, one folder per Python version.
constexpr std::string_view kUserSitePackages = ".local/lib";

// Entries whose presence marks a folder (see MarkOf).
enum Marker : unsigned {
    kPyvenvCfg,
    kCondaMeta,
    kHead,
    kObjects,
    kRefs,
    kConfig,
    kFormat,
    kDb,
    kLocks,
    kCvsRoot,
    kEntries,
    kRepository,
    kRootFile,
    kMarkerCount
};
struct MarkerEntry {
    std::string_view name;
    FileKind kind; // Other: any kind, the content tells
};
constexpr std::array<MarkerEntry, kMarkerCount> kMarkers = {{
    {"pyvenv.cfg", FileKind::Regular},
    {"conda-meta", FileKind::Directory},
    {"HEAD", FileKind::Other}, // a file, or a link into refs/ as older git made
    {"objects", FileKind::Directory},
    {"refs", FileKind::Directory},
    {"config", FileKind::Regular},
    {"format", FileKind::Regular},
    {"db", FileKind::Directory},
    {"locks", FileKind::Directory},
    {"CVSROOT", FileKind::Directory},
    {"Entries", FileKind::Regular},
    {"Repository", FileKind::Regular},
    {"Root", FileKind::Regular},
}};

// Folder levels looked at above a listed folder; deeper trees are not met.
constexpr int kMostLevels = 4096;
// Mounts judged through the folders they show, inside one another.
constexpr int kMostNestedLayers = 8;
// Enough of a HEAD or a config to judge it by.
constexpr std::size_t kHeadBytes = 256;
constexpr std::size_t kConfigBytes = 64 * 1024;

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N> &names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// What the names on a real path say of it: a repository store or a
// project's packages on the way.
PassedBy ByNames(const std::string &path)
{
    for (std::size_t begin = 0; begin < path.size();) {
        const std::size_t end = std::min(path.find('/', begin), path.size());
        const std::string_view name = std::string_view(path).substr(begin, end - begin);
        if (IsOneOf(name, kStoreNames))
            return PassedBy::System;
        if (name == kPackagesFolder)
            return PassedBy::Software;
        begin = end + 1;
    }
    return PassedBy::Nothing;
}

bool HasEntry(int folderFd, Marker marker)
{
    struct stat st;
    if (::fstatat(folderFd, kMarkers[marker].name.data(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    switch (kMarkers[marker].kind) {
    case FileKind::Regular:
        return S_ISREG(st.st_mode);
    case FileKind::Directory:
        return S_ISDIR(st.st_mode);
    default:
        return true;
    }
}

// The first bytes of a regular file of the folder; empty when unreadable.
std::string ReadStart(int folderFd, const char *name, std::size_t most)
{
    const int fd = OpenWaitingForDescriptors(
        [&] { return ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0)
        return {};
    std::string text(most, '\0');
    std::size_t done = 0;
    while (done < most) {
        const ssize_t n = ::read(fd, text.data() + done, most - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    ::close(fd);
    text.resize(done);
    return text;
}

// A HEAD as git takes one: "ref: refs/...", an object name, or a link into refs/.
bool IsGitHead(int folderFd)
{
    struct stat st;
    if (::fstatat(folderFd, "HEAD", &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        char target[kHeadBytes];
        const ssize_t n = ::readlinkat(folderFd, "HEAD", target, sizeof target);
        return n > 0 && std::string_view(target, std::size_t(n)).starts_with("refs/");
    }
    if (!S_ISREG(st.st_mode))
        return false;
    const std::string text = ReadStart(folderFd, "HEAD", kHeadBytes);
    std::string_view head(text);
    if (head.starts_with("ref:")) {
        head.remove_prefix(4);
        head.remove_prefix(std::min(head.find_first_not_of(" \t"), head.size()));
        return head.starts_with("refs/");
    }
    const std::size_t hex = std::min(head.find_first_not_of("0123456789abcdef"), head.size());
    return (hex == 40 || hex == 64) && head.find_first_not_of(" \t\r\n", hex) == std::string_view::npos;
}

// A git config that holds a [core] section, as every repository's does.
bool HasCoreSection(int folderFd)
{
    const std::string text = ReadStart(folderFd, "config", kConfigBytes);
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        std::string_view line = std::string_view(text).substr(begin, end - begin);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.size() >= 6 && ::strncasecmp(line.data(), "[core]", 6) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

// Whether a folder's entries mark it as installed software or a repository
// store, which are passed by whole; `has` tells whether an entry is there.
template <typename Has>
PassedBy MarkOf(Has has, int folderFd)
{
    // A Python virtual environment; a conda environment (the base install too).
    if (has(kPyvenvCfg) || has(kCondaMeta))
        return PassedBy::Software;
    // A bare git repository, judged as git judges one: a folder that only
    // holds a HEAD, objects/ and refs/ (a game's saves) is the user's.
    if (has(kHead) && has(kObjects) && has(kRefs) && has(kConfig) && IsGitHead(folderFd) && HasCoreSection(folderFd))
        return PassedBy::System;
    // A Subversion server's repository.
    if (has(kFormat) && has(kDb) && has(kLocks))
        return PassedBy::System;
    // A CVS repository, and the CVS/ folder of a checkout.
    if (has(kCvsRoot) || (has(kEntries) && has(kRepository) && has(kRootFile)))
        return PassedBy::System;
    return PassedBy::Nothing;
}

PassedBy MarkOfFolder(int folderFd)
{
    return MarkOf([folderFd](Marker m) { return HasEntry(folderFd, m); }, folderFd);
}

std::string RealPath(const std::string &path)
{
    char *real = ::realpath(path.c_str(), nullptr);
    std::string out = real ? real : "";
    std::free(real);
    return out;
}

std::string ParentPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string Joined(const std::string &folder, const std::string &below)
{
    if (below.empty() || below == "/")
        return folder;
    return folder == "/" ? below : folder + below;
}

int Rank(FolderStanding standing)
{
    switch (standing) {
    case FolderStanding::User:
        return 0;
    case FolderStanding::Root:
        return 1;
    case FolderStanding::Between:
        return 2;
    case FolderStanding::System:
        break;
    }
    return 3;
}

bool IsFuse(const std::string &fsType)
{
    return fsType == "fuse" || fsType.rfind("fuse.", 0) == 0;
}

bool IsShare(const std::string &fsType)
{
    static constexpr std::array<std::string_view, 11> kShares
        = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ceph", "glusterfs", "afs", "9p", "virtiofs", "davfs"};
    return IsOneOf(std::string_view(fsType), kShares);
}

// A mount below a run-time tree that is the user's by what it is: a disk
// (a removable drive, an image the user opened), a network share, a
// user-space file system that serves no local folder (the desktop's shares,
// the portal's documents). Never one in the tree's host/ folder.
bool IsUsersRuntimeMount(const MountTable::Mount &m, const std::vector<std::string> &tops)
{
    for (const std::string &top : tops) {
        if (m.mountPoint == top || !MountTable::isWithin(m.mountPoint, top)
            || MountTable::isWithin(m.mountPoint, Joined(top, "/host")))
            continue;
        if (IsShare(m.fsType))
            return true;
        if (IsFuse(m.fsType))
            return MountTable::sourceFolders(m).empty();
        // Squashfs and erofs hold software images (a live system's root, snaps).
        const bool disk = m.source.rfind("/dev/", 0) == 0 && m.root == "/" && m.fsType != "squashfs"
            && m.fsType != "erofs" && !PseudoFileSystems::isPseudoType(m.fsType);
        if (disk)
            return true;
    }
    return false;
}

// Marks a folder as one whose files are judged through the folders a mount
// shows, for the rest of this thread's call.
class NestedLayers
{
public:
    NestedLayers() { ++depth_; }
    ~NestedLayers() { --depth_; }
    NestedLayers(const NestedLayers &) = delete;
    NestedLayers &operator=(const NestedLayers &) = delete;
    static bool tooDeep() { return depth_ > kMostNestedLayers; }

private:
    static thread_local int depth_;
};
thread_local int NestedLayers::depth_ = 0;

} // namespace

void FolderMarks::note(std::string_view name, DirectoryReader::EntryType type)
{
    for (unsigned m = 0; m < kMarkerCount; ++m) {
        if (kMarkers[m].name != name)
            continue;
        const FileKind want = kMarkers[m].kind;
        Seen seen = Seen::No;
        if (type == DirectoryReader::EntryType::Unknown || want == FileKind::Other)
            seen = Seen::Maybe;
        else if ((want == FileKind::Regular && type == DirectoryReader::EntryType::Regular)
                 || (want == FileKind::Directory && type == DirectoryReader::EntryType::Directory))
            seen = Seen::Yes;
        if (seen_.empty())
            seen_.assign(kMarkerCount, Seen::No);
        seen_[m] = seen;
        return;
    }
}

PassedBy ScanBoundary::markedBy(const FolderMarks &marks, int folderFd)
{
    if (marks.seen_.empty())
        return PassedBy::Nothing; // nothing that marks anything was listed
    const auto has = [&](Marker m) {
        const FolderMarks::Seen seen = marks.seen_[m];
        return seen == FolderMarks::Seen::Yes || (seen == FolderMarks::Seen::Maybe && HasEntry(folderFd, m));
    };
    return MarkOf(has, folderFd);
}

PassedBy ScanBoundary::fileStanding(FolderStanding standing, const PathStatus &folder, std::string_view name,
                                    const PathStatus &file)
{
    if (standing != FolderStanding::User || file.kind != FileKind::Regular)
        return PassedBy::System;
    if (IsInTransitName(name))
        return PassedBy::InTransit;
    // The kernel would refuse its removal: it or its folder is immutable or append-only.
    if (file.kernelProtected || folder.kernelProtected)
        return PassedBy::System;
    // A file mounted over another (mount --bind /etc/passwd ~/x) is what it
    // was mounted from, wherever that lies.
    if (file.mountId != 0 && folder.mountId != 0 && file.mountId != folder.mountId)
        return PassedBy::System;
    if (IsOneOf(name, kStoreFileNames))
        return PassedBy::System;
    return PassedBy::Nothing;
}

std::vector<SystemTree> ScanBoundary::softwareTreesOf(const std::string &home)
{
    std::vector<SystemTree> trees;
    const std::string realHome = RealPath(home);
    if (realHome.empty())
        return trees;
    const auto add = [&](const std::string &path) {
        // A link that leads back to the home or above it would take it all.
        const std::string real = RealPath(path);
        if (!real.empty() && !MountTable::isWithin(realHome, real))
            trees.push_back({path, {}, SystemTree::Kind::Software});
    };
    for (const SoftwareFolder &folder : kSoftwareInHome)
        add(Joined(home, "/" + std::string(folder.path)));
    const std::string sitePackages = Joined(home, "/" + std::string(kUserSitePackages));
    if (DIR *dir = ::opendir(sitePackages.c_str())) {
        while (const dirent *entry = ::readdir(dir))
            if (std::string_view(entry->d_name).starts_with("python"))
                add(sitePackages + "/" + entry->d_name);
        ::closedir(dir);
    }
    return trees;
}

std::vector<SystemTree> ScanBoundary::standardTrees()
{
    std::vector<SystemTree> trees;
    for (const char *top : {"/usr", "/etc", "/boot", "/efi", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32",
                            "/opt", "/snap", "/nix", "/gnu"})
        trees.push_back({top, {}});
    trees.push_back({"/run", {}, SystemTree::Kind::Runtime});
    // Some distributions keep the homes at /var/home. Services keep theirs
    // in /var too (/var/lib/postgresql, /var/www): only people's homes count.
    SystemTree var{"/var", {"/var/tmp", "/var/home"}};
    for (const std::string &home : PeoplesHomes())
        if (MountTable::isWithin(home, "/var"))
            var.userFolders.push_back(home);
    trees.push_back(std::move(var));
    // Only the own homes: looking into every account's would wake every
    // automounted home of a directory service.
    const std::vector<std::string> own = OwnHomes();
    for (const std::string &home : own) {
        std::vector<SystemTree> software = softwareTreesOf(home);
        trees.insert(trees.end(), software.begin(), software.end());
    }
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/' && !own.empty()) {
        const std::string real = RealPath(cache), home = RealPath(own.front());
        if (!real.empty() && !home.empty() && !MountTable::isWithin(home, real))
            trees.push_back({cache, {}, SystemTree::Kind::Software});
    }
    return trees;
}

ScanBoundary::ScanBoundary(const std::vector<SystemTree> &trees)
    : mounts_(MountTable::read()), pseudo_(std::make_unique<PseudoFileSystems>()),
      trash_(std::make_unique<TrashFolders>())
{
    // Files directly in "/" are the system's (/.dockerenv, a swap file, a kernel's links).
    const PathStatus root = StatAt(AT_FDCWD, "/");
    if (const MountTable::Mount *mount = mountOf(root.mountId))
        rootDevice_ = mount->device;
    addSpecial("/", Kind::Root);
    for (const SystemTree &tree : trees)
        addTree(tree);
    // A mount that shows the home again must not bring its trash along.
    if (const std::string trash = RealPath(FreedesktopTrash::homeTrashPath()); !trash.empty())
        specialPaths_.push_back(trash);
}

ScanBoundary::~ScanBoundary() = default;

void ScanBoundary::addTree(const SystemTree &tree)
{
    const std::string top = RealPath(tree.path);
    if (top.empty())
        return; // a tree this machine does not have
    if (tree.kind == SystemTree::Kind::Software) {
        addSpecial(top, Kind::Software);
        return;
    }
    if (tree.kind == SystemTree::Kind::Runtime) {
        addRuntimeTree(top);
        return;
    }
    std::vector<std::string> users;
    for (const std::string &folder : tree.userFolders)
        if (const std::string real = RealPath(folder); !real.empty() && real != top)
            users.push_back(real);
    addSpecial(top, users.empty() ? Kind::Top : Kind::Between);
    for (const std::string &user : users) {
        addSpecial(user, Kind::User);
        if (!MountTable::isWithin(user, top))
            continue;
        for (std::string up = ParentPath(user); up != top && up.size() > top.size(); up = ParentPath(up))
            addSpecial(up, Kind::Between);
    }
}

// The user's mounts below it are known by their mount, so that a share that
// no longer answers is never asked; the folders on the way to them are ways
// through.
void ScanBoundary::addRuntimeTree(const std::string &top)
{
    runtimeTops_.push_back(top);
    bool usersBelow = false;
    for (const MountTable::Mount &mount : mounts_.mounts()) {
        if (!IsUsersRuntimeMount(mount, {top}))
            continue;
        usersBelow = true;
        for (std::string up = ParentPath(mount.mountPoint); up != top && up.size() > top.size(); up = ParentPath(up))
            addSpecial(up, Kind::Between);
    }
    addSpecial(top, usersBelow ? Kind::Between : Kind::Top);
}

void ScanBoundary::addSpecial(const std::string &realPath, Kind kind)
{
    const PathStatus status = StatAt(AT_FDCWD, realPath.c_str());
    if (status.kind != FileKind::Directory)
        return;
    // Installed software wins over a user folder around it, a user folder
    // over the tree around it, a way through over the tree's top.
    const auto priority = [](Kind k) {
        switch (k) {
        case Kind::Top:
            return 0;
        case Kind::Between:
            return 1;
        case Kind::Root:
            return 2;
        case Kind::User:
            return 3;
        case Kind::Software:
            break;
        }
        return 4;
    };
    const auto key = std::make_pair(status.identity.device, status.identity.inode);
    const auto known = byIdentity_.find(key);
    if (known == byIdentity_.end() || priority(kind) > priority(known->second))
        byIdentity_[key] = kind;
    specialPaths_.push_back(realPath);
    if (const MountTable::Mount *mount = mountOf(status.mountId);
        mount && MountTable::isWithin(realPath, mount->mountPoint))
        specials_.push_back({kind, mount->device, MountTable::innerPath(*mount, realPath)});
    // Where another file system is mounted over it, the one beneath still
    // holds the tree at that path, and a bind mount of "/" shows it (a
    // sandbox's view of its host).
    for (const MountTable::Mount &beneath : mounts_.mounts())
        if (beneath.id != status.mountId && MountTable::isWithin(realPath, beneath.mountPoint))
            specials_.push_back({kind, beneath.device, MountTable::innerPath(beneath, realPath)});
}

std::optional<ScanBoundary::Kind> ScanBoundary::byIdentity(const FileIdentity &id) const
{
    const auto found = byIdentity_.find({id.device, id.inode});
    if (found == byIdentity_.end())
        return std::nullopt;
    return found->second;
}

// A special folder's word on itself (`exact`) or on what lies below it: a
// way through and the root decide only for themselves, since below a way
// through the rest is the system's, and below the root it is judged as usual.
ScanBoundary::Verdict ScanBoundary::ofKind(Kind kind, bool exact)
{
    switch (kind) {
    case Kind::User:
        return {};
    case Kind::Root:
        return {exact ? FolderStanding::Root : FolderStanding::User, PassedBy::Nothing};
    case Kind::Between:
        if (exact)
            return {FolderStanding::Between, PassedBy::Nothing};
        break;
    case Kind::Software:
        return {FolderStanding::System, PassedBy::Software};
    case Kind::Top:
        break;
    }
    return {FolderStanding::System, PassedBy::System};
}

// What a folder's word means for the folders below it.
ScanBoundary::Verdict ScanBoundary::below(Verdict verdict)
{
    if (verdict.standing == FolderStanding::Root)
        return {};
    if (verdict.standing == FolderStanding::Between)
        return {FolderStanding::System, PassedBy::System};
    return verdict;
}

// The deepest special folder at or above the path decides.
ScanBoundary::Verdict ScanBoundary::byInnerPath(std::uint64_t tableDevice, const std::string &innerPath) const
{
    const Special *deepest = nullptr;
    for (const Special &s : specials_)
        if (s.tableDevice == tableDevice && MountTable::isWithin(innerPath, s.innerPath)
            && (!deepest || s.innerPath.size() > deepest->innerPath.size()))
            deepest = &s;
    if (!deepest)
        return {};
    return ofKind(deepest->kind, deepest->innerPath == innerPath);
}

const MountTable::Mount *ScanBoundary::mountOf(std::uint64_t mountId)
{
    if (mountId == 0)
        return nullptr;
    const MountTable::Mount *mount = mounts_.byId(mountId);
    if (!mount && !mountsReread_) {
        // Mounted since the table was read: read it again, once.
        mountsReread_ = true;
        // A table that could not be read keeps what the one before knew.
        if (MountTable fresh = MountTable::read(); !fresh.mounts().empty())
            mounts_ = std::move(fresh);
        mount = mounts_.byId(mountId);
    }
    return mount;
}

std::optional<MountTable::Mount> ScanBoundary::mountCopy(std::uint64_t mountId)
{
    std::lock_guard lock(mutex_);
    if (const MountTable::Mount *mount = mountOf(mountId))
        return *mount;
    return std::nullopt;
}

// An overlay's layers and a passthrough's source, where they lie here. The
// root file system is left alone: a live system builds it from layers in
// /run, and its own trees are known by what they are.
const ScanBoundary::Layers &ScanBoundary::layersOf(const MountTable::Mount &mount)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto known = layers_.find(mount.id); known != layers_.end())
            return known->second;
    }
    Layers layers;
    if (mount.device != rootDevice_)
        for (const std::string &folder : MountTable::sourceFolders(mount)) {
            const std::string real = RealPath(folder); // empty: a path of another mount namespace
            if (real.empty())
                continue;
            layers.deep = layers.deep || std::any_of(specialPaths_.begin(), specialPaths_.end(), [&](const auto &p) {
                              return p != real && MountTable::isWithin(p, real);
                          });
            layers.folders.push_back(real);
        }
    std::lock_guard lock(mutex_);
    return layers_.emplace(mount.id, std::move(layers)).first->second; // map nodes stay put
}

// A folder of a mount that shows other folders again, judged as those
// folders are: the strictest word of the layers that hold it.
std::optional<ScanBoundary::Verdict> ScanBoundary::byLayers(const MountTable::Mount &mount,
                                                            const std::string &innerPath)
{
    const Layers &layers = layersOf(mount);
    if (layers.folders.empty())
        return std::nullopt;
    if (NestedLayers::tooDeep())
        return Verdict{FolderStanding::System, PassedBy::System};
    NestedLayers nested;
    std::optional<Verdict> verdict;
    for (const std::string &folder : layers.folders) {
        FolderHandle layer;
        if (RetryWhileOutOfDescriptors([&] { return layer.open(Joined(folder, innerPath)); }) != 0)
            continue; // not in this layer
        const Verdict v = listedVerdict(layer.fd());
        if (!verdict || Rank(v.standing) > Rank(verdict->standing))
            verdict = v;
    }
    return verdict;
}

// What a mount's top is: a bind mount of /usr/share/doc is the system's
// wherever it is mounted, and so is an overlay or a passthrough of it.
ScanBoundary::Verdict ScanBoundary::mountRoot(std::uint64_t mountId)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto known = mountStanding_.find(mountId); known != mountStanding_.end())
            return known->second;
    }
    Verdict verdict;
    if (const auto mount = mountCopy(mountId)) {
        verdict = byInnerPath(mount->device, mount->root);
        if (const auto layered = byLayers(*mount, mount->root);
            layered && Rank(layered->standing) > Rank(verdict.standing))
            verdict = *layered;
    }
    std::lock_guard lock(mutex_);
    return mountStanding_.emplace(mountId, verdict).first->second;
}

// The mount, when it shows a folder that holds special ones; asked of every
// folder a walk meets, so known mounts are answered from what was learnt.
std::optional<MountTable::Mount> ScanBoundary::deepLayered(std::uint64_t mountId)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto known = layers_.find(mountId); known != layers_.end() && !known->second.deep)
            return std::nullopt;
    }
    auto mount = mountCopy(mountId);
    if (!mount || !layersOf(*mount).deep)
        return std::nullopt;
    return mount;
}

bool ScanBoundary::isUsersRuntimeMount(std::uint64_t mountId)
{
    if (runtimeTops_.empty() || mountId == 0)
        return false;
    std::lock_guard lock(mutex_);
    const MountTable::Mount *mount = mountOf(mountId);
    return mount && IsUsersRuntimeMount(*mount, runtimeTops_);
}

bool ScanBoundary::isPseudo(const FileIdentity &id, int folderFd)
{
    std::lock_guard lock(mutex_);
    return pseudo_->isPseudo(id.device, folderFd);
}

bool ScanBoundary::inTrash(int folderFd, const FileIdentity &id)
{
    return trash_->contains(folderFd, id);
}

FolderStanding ScanBoundary::listedFolder(int folderFd, PassedBy *why, PathStatus *folder)
{
    const Verdict verdict = listedVerdict(folderFd, folder);
    if (why)
        *why = verdict.why;
    return verdict.standing;
}

ScanBoundary::Verdict ScanBoundary::listedVerdict(int folderFd, PathStatus *folder)
{
    const PathStatus self = StatAt(folderFd, "");
    if (folder)
        *folder = self;
    if (self.kind != FileKind::Directory)
        return {}; // nothing there to search or to protect
    const auto key = std::make_pair(self.identity.device, self.identity.inode);
    {
        std::lock_guard lock(mutex_);
        if (const auto known = listedStanding_.find(key); known != listedStanding_.end())
            return known->second;
    }
    const Verdict verdict = judgeListed(folderFd, self);
    std::lock_guard lock(mutex_);
    listedStanding_.emplace(key, verdict);
    return verdict;
}

ScanBoundary::Verdict ScanBoundary::judgeListed(int folderFd, const PathStatus &self)
{
    if (isPseudo(self.identity, folderFd))
        return {FolderStanding::System, PassedBy::System};
    const std::string real = MountTable::realPathOf(folderFd);
    if (const PassedBy named = ByNames(real); named != PassedBy::Nothing)
        return {FolderStanding::System, named};
    std::vector<std::uint64_t> crossed;
    std::optional<Verdict> verdict = byAncestors(folderFd, self, crossed);
    const auto stricter = [&](const Verdict &v) {
        if (!verdict || Rank(v.standing) > Rank(verdict->standing))
            verdict = v;
    };
    // A mount on the way up that is the system's takes all it holds, even
    // when mounted in a user folder.
    for (std::uint64_t mountId : crossed)
        if (const Verdict top = mountRoot(mountId); top.standing == FolderStanding::System)
            stricter(top);
    if (const auto mount = mountCopy(self.mountId)) {
        // Bind mounts hide where a folder really lies; its mount tells. A
        // folder whose path the kernel does not tell (deeper than it reports)
        // lies somewhere below its mount's top.
        const bool placed = !real.empty() && MountTable::isWithin(real, mount->mountPoint);
        const std::string inner = placed ? MountTable::innerPath(*mount, real) : mount->root;
        const auto judged = [&](Verdict v) { return placed ? v : below(v); };
        stricter(judged(byInnerPath(mount->device, inner)));
        if (const auto layered = byLayers(*mount, inner))
            stricter(judged(*layered));
    }
    return verdict.value_or(Verdict{});
}

// Climbs from the folder to the top of the tree it is reached through; the
// first special folder met decides, as does a folder marked as a store or as
// installed software, or the trash, on the way. The root of the tree only
// speaks for itself.
std::optional<ScanBoundary::Verdict> ScanBoundary::byAncestors(int folderFd, const PathStatus &self,
                                                               std::vector<std::uint64_t> &crossed)
{
    FolderHandle up;
    int current = folderFd;
    PathStatus status = self;
    for (int level = 0; level < kMostLevels; ++level) {
        if (const auto kind = byIdentity(status.identity); kind && (*kind != Kind::Root || level == 0))
            return ofKind(*kind, level == 0);
        if (const PassedBy mark = MarkOfFolder(current); mark != PassedBy::Nothing)
            return Verdict{FolderStanding::System, mark};
        if (inTrash(current, status.identity))
            return Verdict{FolderStanding::System, PassedBy::Trash};
        // A shortage of descriptors must not cut the climb short: a store or
        // a system tree above would go unseen.
        FolderHandle parent(
            OpenWaitingForDescriptors([&] { return ::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
        if (!parent.isOpen())
            break;
        const PathStatus above = StatAt(parent.fd(), "");
        if (above.identity.device == status.identity.device && above.identity.inode == status.identity.inode)
            break; // the top
        if (status.mountId != 0 && above.mountId != status.mountId) {
            // A drive or a share mounted for the user below /run is the
            // user's, whatever lies above it.
            if (isUsersRuntimeMount(status.mountId))
                return Verdict{};
            crossed.push_back(status.mountId);
        }
        up = std::move(parent);
        current = up.fd();
        status = above;
    }
    return std::nullopt;
}

FolderStanding ScanBoundary::subfolder(FolderStanding parent, const PathStatus &parentStatus, const char *name,
                                       int childFd, const PathStatus &child, PassedBy *why)
{
    const Verdict verdict = judgeSubfolder(parent, parentStatus, name, childFd, child);
    if (why)
        *why = verdict.why;
    return verdict.standing;
}

ScanBoundary::Verdict ScanBoundary::judgeSubfolder(FolderStanding parent, const PathStatus &parentStatus,
                                                   const char *name, int childFd, const PathStatus &child)
{
    if (parent == FolderStanding::System || IsOneOf(std::string_view(name), kStoreNames))
        return {FolderStanding::System, PassedBy::System};
    if (name == kPackagesFolder)
        return {FolderStanding::System, PassedBy::Software};
    if (const auto kind = byIdentity(child.identity))
        return ofKind(*kind, true);
    if (child.identity.device != parentStatus.identity.device && isPseudo(child.identity, childFd))
        return {FolderStanding::System, PassedBy::System};
    const bool sameMount = child.mountId == parentStatus.mountId;
    // Below a root folder seen again, a tree hidden here by what is mounted
    // over it is known by its path.
    if (parent == FolderStanding::Root && sameMount && child.mountId != 0)
        if (const auto mount = mountCopy(child.mountId))
            if (const Verdict hidden = byInnerPath(mount->device, std::string("/") + name);
                hidden.standing != FolderStanding::User)
                return hidden;
    if (child.mountId != 0 && parentStatus.mountId != 0 && !sameMount) {
        if (isUsersRuntimeMount(child.mountId))
            return {};
        if (const Verdict mounted = mountRoot(child.mountId); mounted.standing != FolderStanding::User)
            return mounted;
    } else if (child.mountId != 0) {
        // Inside a mount that shows a folder holding special ones (a
        // passthrough of "/" or of a home), each folder is judged where it
        // really lies.
        if (const auto mount = deepLayered(child.mountId)) {
            const std::string real = MountTable::realPathOf(childFd);
            if (!real.empty() && MountTable::isWithin(real, mount->mountPoint))
                if (const auto layered = byLayers(*mount, MountTable::innerPath(*mount, real)))
                    return *layered;
        }
    }
    if (inTrash(childFd, child.identity))
        return {FolderStanding::System, PassedBy::Trash};
    // Inside a way through, only the special folders are the user's.
    if (parent == FolderStanding::Between)
        return {FolderStanding::System, PassedBy::System};
    return {};
}
