// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/StorageProfile.h"
#include "platform/RemoteStorage.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a caller may force about the storage, whatever the devices say.
struct StorageChoice {
    std::optional<bool> spinning; // every device spins, or none does
    bool remote = false;          // every device answers as a share does
    unsigned readers = 0;         // files compared side by side on every device; 0: the profile's
    unsigned cores = 0;           // the machine's cores the counts are scaled to; 0: this machine's
    // A kind per device, for tests that lay out several; none: asked of the system.
    std::function<std::optional<StorageKind>(std::uint64_t device)> kindOf;
};

// The one place that decides how each device the scan touches is read, from
// what the platform layer reports of it: its head (through partitions,
// device-mapper, md and loop devices), whether it is a share or a user-space
// file system, and the cores. Decided once per device, then kept. Safe to
// ask from several threads at once.
class StorageProfiles
{
public:
    explicit StorageProfiles(StorageChoice choice = {});

    // The profile of the device holding the open folder or file `fd`, or the
    // path: the device number comes with it, so each is asked of once.
    const StorageProfile &ofOpen(int fd, std::uint64_t device);
    const StorageProfile &ofPath(const std::string &path, std::uint64_t device);
    // Every device decided so far, by number, with its profile.
    std::vector<std::pair<std::uint64_t, StorageProfile>> decided() const;
    // Whether the file system of a device decided so far lets files share
    // storage (asked in the same call that told whether it is a share).
    bool sharesStorage(std::uint64_t device) const;

    // The profile a kind gets here.
    StorageProfile profileFor(StorageKind kind) const;
    // Of two profiles, the one that keeps the more demanding device well:
    // a spinning disk over a share, a share over a local disk. A size
    // class on a spinning disk and on flash is read as on the spinning
    // disk, since many readers side by side there would send its head back
    // and forth, while flash loses little by being read in order; a share's
    // large reads cost a local disk little.
    static const StorageProfile &moreCareful(const StorageProfile &a, const StorageProfile &b);

private:
    const StorageProfile &decide(std::uint64_t device, const std::function<StorageKind()> &ask);
    StorageKind kindOf(const FileSystemKind &fileSystem, std::uint64_t device);

    StorageChoice choice_;
    unsigned cores_;
    // Half the memory available when the first spinning disk was met: read
    // once, and only by scans that meet one.
    mutable std::once_flag readOnFirstRead_;
    mutable std::size_t readOnFirst_ = 0;
    mutable std::mutex mutex_;
    std::map<std::uint64_t, StorageProfile> byDevice_;
    std::map<std::uint64_t, bool> sharing_; // devices whose files may share storage
};
