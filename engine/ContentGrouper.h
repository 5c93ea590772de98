// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"
#include "engine/ReaderShared.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Splits files of one size into sets of byte-for-byte identical content.
// Files are read side by side and a file is dropped as soon as no other file
// shares what was read of it, so a duplicate byte is read once and a unique
// file only until it differs. Files that cannot be read in full, or that are
// no longer what the walk saw, never join a set.
class ContentGrouper
{
public:
    using Group = std::vector<std::uint32_t>; // indexes into the input, ascending

    explicit ContentGrouper(ReaderShared &shared) : shared_(shared) { }

    // files all have the given size. Groups come ordered by their first
    // member. Nothing when cancelled before every file was compared.
    std::optional<std::vector<Group>> group(const std::vector<ReadTarget> &files, std::int64_t size);
    // The bytes from the start that files of this size are compared by first.
    static std::int64_t firstReadLength(std::int64_t size, ReadSizes sizes);

    // Files one reader keeps open at once, at most; its share of the budget
    // among the readers at work may be less. Larger sets reopen files per
    // block, and check each before it closes: a set of small files of one
    // size, a thousand strong, is kept open instead.
    static constexpr std::size_t kMaxOpenFiles = 1024;
    // What one reader may hold whatever their number: a pair of the largest pieces.
    static constexpr std::size_t kLeastBuffer = 2u << 20;

    // What one reader reads pieces into, kept from one size to the next.
    class Buffer
    {
    public:
        char *atLeast(std::size_t bytes)
        {
            if (bytes > size_) {
                bytes_ = std::make_unique_for_overwrite<char[]>(bytes); // never zeroed: always read into first
                size_ = bytes;
            }
            return bytes_.get();
        }
        // Gives a large buffer back: one large size must not weigh on the
        // memory of the whole scan.
        void trim()
        {
            if (size_ > kKept) {
                bytes_.reset();
                size_ = 0;
            }
        }
        static constexpr std::size_t kKept = 64u << 10;

    private:
        std::unique_ptr<char[]> bytes_;
        std::size_t size_ = 0;
    };

private:
    ReaderShared &shared_;
    Buffer buffer_;
    unsigned timings_ = 0; // calls toward the next one timed for the depth control
};
