// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where a file's first data lies on its device, in bytes from the device's
// start, so that reads can follow the head's path over a spinning disk.
// Nothing where the file system will not say (FUSE, tmpfs, most shares),
// where the file holds no data, or where its first data has no place of its
// own yet (written but not yet allocated, or kept inside the inode): callers
// order those by inode number instead. One extent is asked for, no more.
std::optional<std::uint64_t> FirstPhysicalOffset(int fd);
// The same for a regular file by path, opened for the question only.
std::optional<std::uint64_t> FirstPhysicalOffset(const std::string &path);

// How the engine asks where a file lies; tests hand it a layout of their own.
using PhysicalOffsetLookup = std::function<std::optional<std::uint64_t>(const std::string &path)>;
// The lookup of the real file systems.
PhysicalOffsetLookup RealPhysicalOffsets();
