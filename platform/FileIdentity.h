// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>

// What the scan saw of a file, kept so that a later read or deletion can tell
// whether the path still names that same file with the same content. The
// status-change time is part of it because no user can set it back: a file
// rewritten and given its old modification time still differs there.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch
    std::int64_t ctimeNs = 0; // nanoseconds since the epoch
    bool operator==(const FileIdentity &) const = default;
};
