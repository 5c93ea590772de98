// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "boundary/ScanBoundary.h"
#include "boundary/FolderPaths.h"
#include "boundary/PseudoFileSystems.h"
#include "boundary/RuntimeMounts.h"
#include "boundary/TrashFolders.h"
#include "platform/FolderEntries.h"
#include "platform/FolderHandle.h"
#include "platform/FreedesktopTrash.h"
#include "platform/OpenFileLimit.h"
#include "platform/RealPath.h"
#include "platform/TransitNames.h"

#include <fcntl.h>
#include <string_view>

namespace
{

// Folder levels looked at above a listed folder; deeper trees are not met.
constexpr int kMostLevels = 4096;

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

} // namespace

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
    if (IsStoreFileName(name))
        return PassedBy::System;
    return PassedBy::Nothing;
}

ScanBoundary::ScanBoundary(const std::vector<SystemTree> &trees)
    : mounts_(MountTable::read()), pseudo_(std::make_unique<PseudoFileSystems>()),
      trash_(std::make_unique<TrashFolders>())
{
    // Files directly in "/" are the system's (/.dockerenv, a swap file, a kernel's links).
    const PathStatus root = StatAt(AT_FDCWD, "/");
    if (const auto mount = mounts_.find(root.mountId))
        layered_.leaveAlone(mount->device);
    addSpecial("/", Kind::Root);
    for (const SystemTree &tree : trees)
        addTree(tree);
    // A mount that shows the home again must not bring its trash along.
    if (const std::string trash = RealPath(FreedesktopTrash::homeTrashPath()); !trash.empty())
        layered_.addSpecial(trash);
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
    for (const MountTable::Mount &mount : mounts_.table().mounts()) {
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
    layered_.addSpecial(realPath);
    if (const auto mount = mounts_.find(status.mountId); mount && MountTable::isWithin(realPath, mount->mountPoint))
        specials_.push_back({kind, mount->device, MountTable::innerPath(*mount, realPath)});
    // Where another file system is mounted over it, the one beneath still
    // holds the tree at that path, and a bind mount of "/" shows it (a
    // sandbox's view of its host).
    for (const MountTable::Mount &beneath : mounts_.table().mounts())
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

// A folder of a mount that shows other folders again, judged as those
// folders are: the strictest word of the layers that hold it.
std::optional<ScanBoundary::Verdict> ScanBoundary::byLayers(const MountTable::Mount &mount,
                                                            const std::string &innerPath)
{
    const LayeredMounts::Layers &layers = layered_.of(mount);
    if (layers.folders.empty())
        return std::nullopt;
    if (LayeredMounts::Nested::tooDeep())
        return Verdict{FolderStanding::System, PassedBy::System};
    LayeredMounts::Nested nested;
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
    if (const auto mount = mounts_.find(mountId)) {
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
    if (layered_.knownShallow(mountId))
        return std::nullopt;
    auto mount = mounts_.find(mountId);
    if (!mount || !layered_.of(*mount).deep)
        return std::nullopt;
    return mount;
}

bool ScanBoundary::isUsersRuntimeMount(std::uint64_t mountId)
{
    if (runtimeTops_.empty())
        return false;
    const auto mount = mounts_.find(mountId);
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
    if (const PassedBy named = MarkOfNames(real); named != PassedBy::Nothing)
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
    if (const auto mount = mounts_.find(self.mountId)) {
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
        FolderHandle parent(OpenWaitingForDescriptors([&] { return OpenFolderAbove(current); }));
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
    if (parent == FolderStanding::System || IsStoreName(name))
        return {FolderStanding::System, PassedBy::System};
    if (IsPackagesFolder(name))
        return {FolderStanding::System, PassedBy::Software};
    if (const auto kind = byIdentity(child.identity))
        return ofKind(*kind, true);
    if (child.identity.device != parentStatus.identity.device && isPseudo(child.identity, childFd))
        return {FolderStanding::System, PassedBy::System};
    const bool sameMount = child.mountId == parentStatus.mountId;
    // Below a root folder seen again, a tree hidden here by what is mounted
    // over it is known by its path.
    if (parent == FolderStanding::Root && sameMount && child.mountId != 0)
        if (const auto mount = mounts_.find(child.mountId))
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
