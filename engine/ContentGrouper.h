// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "FileIdentity.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class OpenFileBudget;

// Splits files of one size into sets of byte-for-byte identical content.
// Files are read side by side and a file is dropped as soon as no other file
// shares what was read of it, so a duplicate byte is read once and a unique
// file only until it differs. Files that cannot be read in full, or that are
// no longer what the walk saw, never join a set.
class ContentGrouper {
public:
    struct File {
        std::string path;
        FileIdentity identity;
    };
    using Group = std::vector<std::uint32_t>; // indexes into the input, ascending

    // What every reader of one scan shares.
    struct Shared {
        std::function<bool()> cancelled; // Stop or abort: give up within one block
        OpenFileBudget &budget;
        std::atomic<std::uint64_t> &bytesRead;
        std::atomic<std::uint64_t> &unreadableFiles; // failed for a reason of their own
    };

    // maxOpenFiles: the most this reader asks of the budget for one set.
    ContentGrouper(Shared &shared, std::size_t maxOpenFiles) : shared_(shared), maxOpen_(maxOpenFiles) {}

    // files all have the given size. Groups come ordered by their first
    // member. Nothing when cancelled before every file was compared.
    std::optional<std::vector<Group>> group(const std::vector<File> &files, std::int64_t size);

    // Files one reader keeps open at once; larger sets reopen files per block.
    static constexpr std::size_t kMaxOpenFiles = 256;

private:
    Shared &shared_;
    std::size_t maxOpen_;
};
