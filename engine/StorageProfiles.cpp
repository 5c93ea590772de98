// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/StorageProfiles.h"
#include "platform/AvailableMemory.h"
#include "platform/RemoteStorage.h"
#include "platform/RotationalStorage.h"

#include <algorithm>
#include <sstream>
#include <thread>

namespace
{

int Care(StorageKind kind)
{
    switch (kind) {
    case StorageKind::Spinning:
        return 3;
    case StorageKind::Network:
        return 2;
    case StorageKind::Unknown:
        return 1;
    case StorageKind::Flash:
        break;
    }
    return 0;
}

// A share or a user-space file system hides the disks behind it, and there
// the depth of the queue sets the pace, not the head. What the caller forces
// wins over both.
StorageKind KindFrom(bool remoteStorage, DeviceRotation rotation, const StorageChoice &choice)
{
    if (choice.spinning && *choice.spinning)
        return StorageKind::Spinning;
    if (remoteStorage || choice.remote)
        return StorageKind::Network;
    if (rotation == DeviceRotation::Still)
        return StorageKind::Flash;
    if (rotation == DeviceRotation::Spins && !choice.spinning)
        return StorageKind::Spinning;
    return StorageKind::Unknown;
}

std::string Range(const DepthControl::Range &r)
{
    return std::to_string(r.least) + "/" + std::to_string(r.start) + "/" + std::to_string(r.most);
}

} // namespace

const char *KindName(StorageKind kind)
{
    switch (kind) {
    case StorageKind::Flash:
        return "flash";
    case StorageKind::Spinning:
        return "spinning";
    case StorageKind::Network:
        return "network";
    case StorageKind::Unknown:
        break;
    }
    return "unknown";
}

std::string DescribeProfile(const StorageProfile &p)
{
    std::ostringstream out;
    out << KindName(p.kind) << " readers=" << Range(p.readers) << " walk=" << Range(p.walk)
        << (p.walkInInodeOrder ? " inode-order" : "") << " whole=" << p.reads.whole << " probe=" << p.reads.probe
        << " pieces=" << p.reads.firstPiece << ".." << p.reads.longest << " straight=" << p.reads.straightUpTo
        << " order=" << (p.order == ReadOrder::ByPlace ? "place" : "size") << " memory=" << p.memory;
    if (p.readOnFirst > 0)
        out << " read-on=" << p.readOnFirst;
    return out.str();
}

StorageProfiles::StorageProfiles(StorageChoice choice)
    : choice_(std::move(choice)),
      cores_(choice_.cores ? choice_.cores : std::max(1u, std::thread::hardware_concurrency()))
{
}

// Twice the cores to start with on a local disk: with a cold cache a reader
// mostly waits for the disk, and more requests in flight keep it busy; with
// a warm one the cost is small. A share starts deep. Either grows while the
// storage answers slowly. One head serves one request at a time: on a
// spinning disk two readers, taking neighbouring sizes, keep the next
// request waiting at the disk while the other compares; more would only
// move the head between their files, and the walk keeps to two threads for
// the same reason. A reader count the caller chose is kept as it is.
StorageProfile StorageProfiles::profileFor(StorageKind kind) const
{
    const unsigned readers = std::clamp(2 * cores_, 2u, 8u);
    const unsigned walkers = std::clamp(cores_, 1u, 4u);
    StorageProfile p;
    p.kind = kind;
    switch (kind) {
    case StorageKind::Spinning:
        // One reader: what the passes leave (sets too large to hold one of)
        // is read set by set, never by two readers sending the head between them.
        p.readers = {1, 1, 1};
        p.walk = {2, 2, 2};
        p.walkInInodeOrder = true;
        p.reads = kRotationalReads;
        p.order = ReadOrder::ByPlace;
        // What the first pass reads on must still be in the page cache when
        // the second comes for it: half of what the system can spare.
        std::call_once(readOnFirstRead_, [this] { readOnFirst_ = std::size_t(AvailableMemory() / 2); });
        p.readOnFirst = readOnFirst_;
        break;
    case StorageKind::Network:
        p.readers = DepthControl::forStorage(true, readers);
        p.walk = DepthControl::forStorage(true, walkers);
        p.reads = kRemoteReads;
        break;
    case StorageKind::Flash:
    case StorageKind::Unknown:
        p.readers = DepthControl::forStorage(false, readers);
        p.walk = DepthControl::forStorage(false, walkers);
        p.reads = kLocalReads;
        break;
    }
    if (choice_.readers > 0)
        p.readers = {choice_.readers, choice_.readers, choice_.readers};
    return p;
}

const StorageProfile &StorageProfiles::moreCareful(const StorageProfile &a, const StorageProfile &b)
{
    return Care(b.kind) > Care(a.kind) ? b : a;
}

const StorageProfile &StorageProfiles::decide(std::uint64_t device, const std::function<StorageKind()> &ask)
{
    {
        std::lock_guard lock(mutex_);
        if (const auto known = byDevice_.find(device); known != byDevice_.end())
            return known->second;
    }
    std::optional<StorageKind> kind = choice_.kindOf ? choice_.kindOf(device) : std::nullopt;
    const StorageProfile profile = profileFor(kind ? *kind : ask());
    std::lock_guard lock(mutex_);
    return byDevice_.emplace(device, profile).first->second; // the first answer stays
}

const StorageProfile &StorageProfiles::ofOpen(int fd, std::uint64_t device)
{
    return decide(device, [&] { return kindOf(KindOfFileSystem(fd), device); });
}

const StorageProfile &StorageProfiles::ofPath(const std::string &path, std::uint64_t device)
{
    return decide(device, [&] { return kindOf(KindOfFileSystem(path), device); });
}

StorageKind StorageProfiles::kindOf(const FileSystemKind &fileSystem, std::uint64_t device)
{
    {
        std::lock_guard lock(mutex_);
        sharing_.emplace(device, fileSystem.traits.sharesStorage);
    }
    return KindFrom(fileSystem.remote, RotationOf(device), choice_);
}

bool StorageProfiles::sharesStorage(std::uint64_t device) const
{
    std::lock_guard lock(mutex_);
    const auto found = sharing_.find(device);
    return found != sharing_.end() && found->second;
}

std::vector<std::pair<std::uint64_t, StorageProfile>> StorageProfiles::decided() const
{
    std::lock_guard lock(mutex_);
    return {byDevice_.begin(), byDevice_.end()};
}
