// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ContentGrouper.h"
#include "platform/DepthControl.h"

#include <cstddef>
#include <string>

// What a device is, as far as reading it goes.
enum class StorageKind {
    Flash,    // a local disk without a head: many requests in flight, small reads
    Unknown,  // a local disk nobody says more of (a virtual disk): read as flash
    Network,  // a share or a user-space file system: every call a round trip
    Spinning, // a head that pays for every move: one pass in the order the data lies
};

// In which order the files of a device are read.
enum class ReadOrder {
    BySize,  // sizes in turn, as the readers take them
    ByPlace, // the first reads of all sizes in one pass over the disk, then sets in the order they lie
};

// How the scan reads one device: decided once per device, read by every
// stage (see StorageProfiles).
struct StorageProfile {
    StorageKind kind = StorageKind::Unknown;
    DepthControl::Range readers{2, 2, 8}; // files compared side by side
    DepthControl::Range walk{1, 1, 4};    // folders listed side by side
    bool walkInInodeOrder = false;        // statuses read in the order of their inodes
    ReadSizes reads = kLocalReads;
    ReadOrder order = ReadOrder::BySize;
    std::size_t memory = kAllReaderBuffers; // bytes held by its readers at once
    // A spinning disk's first pass reads on past the first reads of large
    // files up to this many bytes, for the second pass to find them in the
    // page cache (see SweepHeads).
    std::size_t readOnFirst = 0;

    // A size whose files lie on two devices is read under the more careful
    // of their profiles (see StorageProfiles::moreCareful).
    bool operator==(const StorageProfile &) const = default;
};

const char *KindName(StorageKind kind);
// One line for the console: the kind and every choice made for it.
std::string DescribeProfile(const StorageProfile &profile);
