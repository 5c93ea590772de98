// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where a file's bytes lie on the disk, as the kernel's extent map
// (FS_IOC_FIEMAP) tells it, and what the map says of them.
struct Extent {
    std::uint64_t logical = 0;  // offset in the file
    std::uint64_t physical = 0; // offset on the disk
    std::uint64_t length = 0;
    bool shared = false;   // another file (or a snapshot) holds these blocks too
    bool inlined = false;  // kept in the file system's own records, not in blocks of its own
    bool unplaced = false; // not written out yet, or the place is not told: no place to compare
};
using ExtentMap = std::vector<Extent>;

// The extents of an open file, in order; none when the map cannot be had.
// An empty file has an empty map.
std::optional<ExtentMap> ExtentsOf(int fd);
// The same of the file at `path`, not followed through a final link.
std::optional<ExtentMap> ExtentsOfPath(const std::string &path);

// Whether every byte of `file` lies in blocks it shares, at the same place
// on the disk as the same byte of `other`: the two files hold one storage.
// Two empty maps are no sharing.
bool SameStorage(const ExtentMap &file, const ExtentMap &other);

// The bytes of the file's storage no other file or snapshot holds: what the
// file system gains when the file gives them up.
std::int64_t UnsharedBytes(const ExtentMap &map);

// Whether any of the file's bytes are kept in the file system's own records
// (a small file on Btrfs): such bytes cannot be shared.
bool HasInlineData(const ExtentMap &map);

// What the kind of a file system (statfs's f_type) says of it.
struct FileSystemTraits {
    bool sharesStorage = false;  // files may share extents (Btrfs, XFS with reflink, bcachefs, ...)
    bool keepsSnapshots = false; // a snapshot may still hold blocks a file gave up
};
FileSystemTraits TraitsOfFileSystemType(long type);
// The same of the file system of an open descriptor (one fstatfs).
FileSystemTraits TraitsOfFileSystem(int fd);
