// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FileIdentity.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CandidateList;
struct SizeClass;

// Where a file's data starts on its device, in bytes; nothing where the file
// system does not say (or refuses to).
using ExtentLookup = std::function<std::optional<std::uint64_t>(const std::string &path, const FileIdentity &identity)>;

// A file's place on its disk, for reading in the order the head passes it.
// Per device, the files the lookup placed come first, by offset; the others
// follow by inode number, which file systems mostly hand out in the order
// they lay files down. Offsets and inode numbers never compare with each
// other, so the order is the same whichever files the lookup placed.
struct DiskPlace {
    std::uint64_t device = 0;
    bool unplaced = false;
    std::uint64_t position = 0; // the offset, or the inode number when unplaced
    std::uint64_t inode = 0;
    auto operator<=>(const DiskPlace &) const = default;
};

DiskPlace PlaceOf(const FileIdentity &identity, const std::optional<std::uint64_t> &offset);

// Puts the files of each of the given sizes of the sorted list in the order
// they lie on disk, and returns the sizes (indexes into `classes`) in the
// order of the first file of each. Without a lookup, inode order. Nothing
// when cancelled: a lookup may wait for the disk. Given `sweep`, it is
// filled with the indexes in the reordered list of the files of all the
// given sizes, in the order they lie (4 bytes a file: a million files must
// not cost more than on other storage).
std::optional<std::vector<std::size_t>> OrderByPlace(CandidateList &sorted, const std::vector<SizeClass> &classes,
                                                     const ExtentLookup &lookup, const std::function<bool()> &cancelled,
                                                     std::vector<std::uint32_t> *sweep = nullptr);

// The indexes of `places` in the order of the places they give (ties in the
// order given), for callers that know every place already.
std::vector<std::uint32_t> SweepOrder(const std::vector<std::pair<std::uint32_t, DiskPlace>> &places);
