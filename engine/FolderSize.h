// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class FolderListing;
class ScanBoundary;
class StorageProfiles;

// Bytes under a folder: for the root of a file system the volume's used
// space, otherwise the sizes of the regular files below it (links not
// followed, nothing the boundary keeps out entered or counted; the machine's
// own boundary unless one is given). -1 when it cannot be measured.
// Returns early, with what it has, once cancelled() says so. When listing is
// given, the tree is read (the root of a file system too) and recorded there.
// The walk reads the folder as `profiles` say its device is read (as this
// machine's storage says when none are given).
// `keepFolders`: how many of its folders the listing may keep open for the
// readers (see TreeWalker::keepFolders).
std::int64_t GetFolderSize(const std::string &path, const std::function<bool()> &cancelled = {},
                           FolderListing *listing = nullptr, ScanBoundary *boundary = nullptr,
                           StorageProfiles *profiles = nullptr, std::size_t keepFolders = 0);
