// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/Candidate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DepthControl;
class FolderDescriptors;
class OpenFileBudget;

// Splits files of one size into sets of byte-for-byte identical content.
// Files are read side by side and a file is dropped as soon as no other file
// shares what was read of it, so a duplicate byte is read once and a unique
// file only until it differs. Files that cannot be read in full, or that are
// no longer what the walk saw, never join a set.
class ContentGrouper
{
public:
    using Group = std::vector<std::uint32_t>; // indexes into the input, ascending

    struct ReadSizes {
        std::int64_t whole;        // files up to this size are compared in one read
        std::int64_t longest;      // no read asks for more
        std::int64_t probe;        // the head, middle and tail read first
        std::int64_t firstPiece;   // of the rest, growing from there to `longest`
        std::int64_t straightUpTo; // files up to this size are read on from the head, unprobed, in one piece
        bool operator==(const ReadSizes &) const = default;
    };
    // On a local disk a call costs more than the bytes it copies: small
    // files are read whole, and a file up to 1 MiB whose head matches
    // another's is read on in one piece. Larger ones are probed at their
    // middle and tail first, then read in growing pieces.
    static constexpr ReadSizes kLocalReads{16 * 1024, 1024 * 1024, 4096, 64 * 1024, 1024 * 1024};
    // Where every request waits for a round trip, a request's worth of bytes
    // comes almost free, so every read, probes too, asks for that much; and
    // no more, which lets Stop be seen after one round trip.
    static constexpr ReadSizes kRemoteReads{128 * 1024, 128 * 1024, 128 * 1024, 128 * 1024, 0};
    // On a spinning disk every move of the head costs what reading a
    // megabyte or two does: a file up to 1 MiB is read whole, for less than
    // the move a copy would need to come back for the rest; probes take a
    // little more than a block, for the same move; a file alike in its head
    // is read on from there up to 4 MiB, about what the two moves to its
    // middle and tail would cost even if it differs; and the members of a
    // set are read in turn in pieces growing to 8 MiB.
    static constexpr ReadSizes kRotationalReads{1024 * 1024, 8 * 1024 * 1024, 64 * 1024, 1024 * 1024, 4 * 1024 * 1024};

    // What every reader of one scan shares.
    struct Shared {
        std::function<bool()> cancelled; // Stop or abort: give up within one block
        OpenFileBudget &budget;
        std::atomic<std::uint64_t> &bytesRead;
        std::atomic<std::uint64_t> &unreadableFiles; // failed for a reason of their own
        DepthControl &depth;                         // told how long the opens and reads took
        ReadSizes sizes = kLocalReads;
        std::function<void(const std::string &path, std::int64_t offset)> onRead; // before each read, if given
        std::size_t memory = kAllBuffers; // what these readers hold of the files they compare, together
        // The folders of the candidates, kept open for the readers; none:
        // every file is opened by its path (files appended by path).
        FolderDescriptors *folders = nullptr;
    };

    explicit ContentGrouper(Shared &shared) : shared_(shared) { }

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
    // What the readers at work hold of the files they compare, together: a
    // deep queue of readers shares it rather than multiplying it.
    static constexpr std::size_t kAllBuffers = 128u << 20;
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
    Shared &shared_;
    Buffer buffer_;
    unsigned timings_ = 0; // calls toward the next one timed for the depth control
};
