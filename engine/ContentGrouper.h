#pragma once
#include "ResultRow.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

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
    struct Group {
        std::vector<std::uint32_t> members; // indexes into the input, ascending
        std::uint32_t crc = 0;              // CRC-32 of the shared content
    };

    ContentGrouper(const std::atomic<bool> &abort, std::atomic<std::uint64_t> &bytesRead)
        : abort_(abort), bytesRead_(bytesRead) {}

    // files all have the given size. Groups come ordered by their first member.
    std::vector<Group> group(const std::vector<File> &files, std::int64_t size);

    // Files that may be open at once; larger sets reopen files per block.
    static constexpr std::size_t kMaxOpenFiles = 256;

private:
    const std::atomic<bool> &abort_;
    std::atomic<std::uint64_t> &bytesRead_;
};
