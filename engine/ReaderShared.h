// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class DepthControl;
class FolderDescriptors;
class OpenFileBudget;

// How the files of one size are read: what the grouper and the one reader
// both go by, apart from either, so neither includes the other.
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
inline constexpr ReadSizes kLocalReads{16 * 1024, 1024 * 1024, 4096, 64 * 1024, 1024 * 1024};
// Where every request waits for a round trip, a request's worth of bytes
// comes almost free, so every read, probes too, asks for that much; and
// no more, which lets Stop be seen after one round trip.
inline constexpr ReadSizes kRemoteReads{128 * 1024, 128 * 1024, 128 * 1024, 128 * 1024, 0};
// On a spinning disk every move of the head costs what reading a
// megabyte or two does: a file up to 1 MiB is read whole, for less than
// the move a copy would need to come back for the rest; probes take a
// little more than a block, for the same move; a file alike in its head
// is read on from there up to 4 MiB, about what the two moves to its
// middle and tail would cost even if it differs; and the members of a
// set are read in turn in pieces growing to 8 MiB.
inline constexpr ReadSizes kRotationalReads{1024 * 1024, 8 * 1024 * 1024, 64 * 1024, 1024 * 1024, 4 * 1024 * 1024};

// What the readers at work hold of the files they compare, together: a deep
// queue of readers shares it rather than multiplying it.
inline constexpr std::size_t kAllReaderBuffers = 128u << 20;

// What every reader of one scan shares.
struct ReaderShared {
    std::function<bool()> cancelled; // Stop or abort: give up within one block
    OpenFileBudget &budget;
    std::atomic<std::uint64_t> &bytesRead;
    std::atomic<std::uint64_t> &unreadableFiles; // failed for a reason of their own
    DepthControl &depth;                         // told how long the opens and reads took
    ReadSizes sizes = kLocalReads;
    std::function<void(const std::string &path, std::int64_t offset)> onRead; // before each read, if given
    std::size_t memory = kAllReaderBuffers; // what these readers hold of the files they compare, together
    // The folders of the candidates, kept open for the readers; none:
    // every file is opened by its path (files appended by path).
    FolderDescriptors *folders = nullptr;
};
