// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ScanBoundary.h"
#include "FolderHandle.h"
#include "OpenFileLimit.h"
#include "PseudoFileSystems.h"
#include "TrashFolders.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr std::array<std::string_view, 4> kStoreNames = {".git", ".hg", ".svn", ".bzr"};
// Folder levels looked at above a listed folder; deeper trees are not met.
constexpr int kMostLevels = 4096;

bool IsStoreName(std::string_view name)
{
    for (std::string_view store : kStoreNames)
        if (name == store)
            return true;
    return false;
}

bool PathHoldsStore(const std::string &path)
{
    for (std::size_t begin = 0; begin < path.size();) {
        const std::size_t end = std::min(path.find('/', begin), path.size());
        if (IsStoreName(std::string_view(path).substr(begin, end - begin)))
            return true;
        begin = end + 1;
    }
    return false;
}

// A repository without a working copy: HEAD, objects/ and refs/ side by side.
bool IsBareRepository(int folderFd)
{
    struct stat st;
    auto has = [&](const char *name, bool folder) {
        return ::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) == folder;
    };
    return has("HEAD", false) && has("objects", true) && has("refs", true);
}

std::string RealPath(const std::string &path)
{
    char *real = ::realpath(path.c_str(), nullptr);
    const std::string out = real ? real : "";
    std::free(real);
    return out;
}

std::string ParentPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// The homes of the user and, under sudo, of whoever called it. Not every
// account's: a directory service may hold thousands, and system accounts'
// homes under /var (/var/www, /var/backups ...) are the system's.
std::vector<std::string> HomesUnder(const std::string &top)
{
    std::vector<std::string> homes;
    auto take = [&](const char *home) {
        if (home && MountTable::isWithin(home, top))
            homes.emplace_back(home);
    };
    take(std::getenv("HOME"));
    std::vector<uid_t> users{::getuid()};
    if (const char *caller = std::getenv("SUDO_UID"))
        users.push_back(uid_t(std::strtoul(caller, nullptr, 10)));
    for (uid_t user : users) {
        passwd entry, *found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(user, &entry, buffer, sizeof buffer, &found) == 0 && found)
            take(found->pw_dir);
    }
    return homes;
}

} // namespace

std::vector<SystemTree> ScanBoundary::standardTrees()
{
    std::vector<SystemTree> trees;
    for (const char *top : {"/usr", "/etc", "/boot", "/efi", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32",
                            "/opt", "/snap", "/nix", "/gnu"})
        trees.push_back({top, {}});
    // Some distributions keep the homes at /var/home.
    SystemTree var{"/var", {"/var/tmp", "/var/home"}};
    for (std::string &home : HomesUnder("/var"))
        var.userFolders.push_back(std::move(home));
    trees.push_back(std::move(var));
    return trees;
}

ScanBoundary::ScanBoundary(const std::vector<SystemTree> &trees)
    : mounts_(MountTable::read()), pseudo_(std::make_unique<PseudoFileSystems>()),
      trash_(std::make_unique<TrashFolders>())
{
    for (const SystemTree &tree : trees)
        addTree(tree);
}

ScanBoundary::~ScanBoundary() = default;

void ScanBoundary::addTree(const SystemTree &tree)
{
    const std::string top = RealPath(tree.path);
    if (top.empty())
        return; // a tree this machine does not have
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

void ScanBoundary::addSpecial(const std::string &realPath, Kind kind)
{
    const PathStatus status = StatAt(AT_FDCWD, realPath.c_str());
    if (status.kind != FileKind::Directory)
        return;
    // A user folder wins over the tree around it, a way through over the tree's top.
    const auto key = std::make_pair(status.identity.device, status.identity.inode);
    const auto known = byIdentity_.find(key);
    if (known == byIdentity_.end() || kind == Kind::User || (kind == Kind::Between && known->second == Kind::Top))
        byIdentity_[key] = kind;
    if (const MountTable::Mount *mount = mountOf(status.mountId);
        mount && MountTable::isWithin(realPath, mount->mountPoint))
        specials_.push_back({kind, mount->device, MountTable::innerPath(*mount, realPath)});
}

std::optional<ScanBoundary::Kind> ScanBoundary::byIdentity(const FileIdentity &id) const
{
    const auto found = byIdentity_.find({id.device, id.inode});
    if (found == byIdentity_.end())
        return std::nullopt;
    return found->second;
}

// The deepest special folder at or above the path decides; a way through
// decides only for itself, since whatever else lies below it is the system's.
FolderStanding ScanBoundary::byInnerPath(std::uint64_t tableDevice, const std::string &innerPath) const
{
    const Special *deepest = nullptr;
    for (const Special &s : specials_)
        if (s.tableDevice == tableDevice && MountTable::isWithin(innerPath, s.innerPath)
            && (!deepest || s.innerPath.size() > deepest->innerPath.size()))
            deepest = &s;
    if (!deepest || deepest->kind == Kind::User)
        return FolderStanding::User;
    if (deepest->kind == Kind::Between && deepest->innerPath == innerPath)
        return FolderStanding::Between;
    return FolderStanding::System;
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

// What a mount's top is: a bind mount of /usr/share/doc is the system's
// wherever it is mounted.
FolderStanding ScanBoundary::mountRoot(std::uint64_t mountId)
{
    std::lock_guard lock(mutex_);
    const auto known = mountStanding_.find(mountId);
    if (known != mountStanding_.end())
        return known->second;
    const MountTable::Mount *mount = mountOf(mountId);
    const FolderStanding standing = mount ? byInnerPath(mount->device, mount->root) : FolderStanding::User;
    mountStanding_.emplace(mountId, standing);
    return standing;
}

bool ScanBoundary::isPseudo(const FileIdentity &id, int folderFd)
{
    std::lock_guard lock(mutex_);
    return pseudo_->isPseudo(id.device, folderFd);
}

FolderStanding ScanBoundary::listedFolder(int folderFd)
{
    const PathStatus self = StatAt(folderFd, "");
    if (self.kind != FileKind::Directory)
        return FolderStanding::User; // nothing there to search or to protect
    const auto key = std::make_pair(self.identity.device, self.identity.inode);
    {
        std::lock_guard lock(mutex_);
        if (const auto known = listedStanding_.find(key); known != listedStanding_.end())
            return known->second;
    }
    const FolderStanding standing = judgeListed(folderFd, self);
    std::lock_guard lock(mutex_);
    listedStanding_.emplace(key, standing);
    return standing;
}

FolderStanding ScanBoundary::judgeListed(int folderFd, const PathStatus &self)
{
    if (isPseudo(self.identity, folderFd))
        return FolderStanding::System;
    const std::string real = MountTable::realPathOf(folderFd);
    if (PathHoldsStore(real))
        return FolderStanding::System;
    if (const auto standing = byAncestors(folderFd, self))
        return *standing;
    std::lock_guard lock(mutex_);
    const MountTable::Mount *mount = mountOf(self.mountId);
    if (!mount)
        return FolderStanding::User;
    // Bind mounts hide where a folder really lies; its mount tells.
    const std::string inner = !real.empty() && MountTable::isWithin(real, mount->mountPoint)
        ? MountTable::innerPath(*mount, real)
        : mount->root;
    return byInnerPath(mount->device, inner);
}

// Climbs from the folder to the top of the tree it is reached through; the
// first special folder met decides, as does a repository store on the way.
std::optional<FolderStanding> ScanBoundary::byAncestors(int folderFd, const PathStatus &self)
{
    FolderHandle up;
    int current = folderFd;
    PathStatus status = self;
    for (int level = 0; level < kMostLevels; ++level) {
        if (const auto kind = byIdentity(status.identity)) {
            if (*kind == Kind::User)
                return FolderStanding::User;
            return *kind == Kind::Between && level == 0 ? FolderStanding::Between : FolderStanding::System;
        }
        if (IsBareRepository(current))
            return FolderStanding::System;
        // A shortage of descriptors must not cut the climb short: a store or
        // a system tree above would go unseen.
        FolderHandle parent(
            OpenWaitingForDescriptors([&] { return ::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
        if (!parent.isOpen())
            break;
        const PathStatus above = StatAt(parent.fd(), "");
        if (above.identity.device == status.identity.device && above.identity.inode == status.identity.inode)
            break; // the top
        up = std::move(parent);
        current = up.fd();
        status = above;
    }
    return std::nullopt;
}

FolderStanding ScanBoundary::subfolder(FolderStanding parent, const PathStatus &parentStatus, const char *name,
                                       int childFd, const PathStatus &child)
{
    if (parent == FolderStanding::System || IsStoreName(name))
        return FolderStanding::System;
    if (const auto kind = byIdentity(child.identity)) {
        if (*kind == Kind::User)
            return FolderStanding::User;
        return *kind == Kind::Between ? FolderStanding::Between : FolderStanding::System;
    }
    if (child.identity.device != parentStatus.identity.device && isPseudo(child.identity, childFd))
        return FolderStanding::System;
    if (child.mountId != 0 && parentStatus.mountId != 0 && child.mountId != parentStatus.mountId) {
        const FolderStanding mounted = mountRoot(child.mountId);
        if (mounted != FolderStanding::User)
            return mounted;
    }
    if (trash_->contains(childFd, child.identity) || IsBareRepository(childFd))
        return FolderStanding::System;
    // Inside a way through, only the special folders are the user's.
    return parent == FolderStanding::Between ? FolderStanding::System : FolderStanding::User;
}
