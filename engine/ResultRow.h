#pragma once
#include <cstdint>
#include <string>

// What the scan saw of a file, kept so that a later deletion can tell
// whether the path still names that same file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch
    bool operator==(const FileIdentity &) const = default;
};

// One file of a duplicate group as the result list shows it.
struct ResultRow {
    std::string path;     // raw bytes, exactly as the directory listing gave them
    std::string sizeText; // size right-aligned in 10 characters (wider for huge files)
    std::string timeText; // "yyyy/mm/dd hh:mm:ss", local time
    int group = 0;        // 1-based group number
    bool checked = false;
    FileIdentity identity;
};
