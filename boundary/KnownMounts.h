// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/MountTable.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

// The mount table a judge of folders was made with, looked up by the mount
// ids statx gives. A mount made since is found by reading the table again,
// once; a table that could not be read again keeps what the one before knew.
// Safe to ask from several threads at once.
class KnownMounts
{
public:
    explicit KnownMounts(MountTable table = {}) : mounts_(std::move(table)) { }
    KnownMounts(const KnownMounts &) = delete;
    KnownMounts &operator=(const KnownMounts &) = delete;

    // The mount with that id, or nothing (id 0: the kernel did not tell).
    std::optional<MountTable::Mount> find(std::uint64_t mountId);
    // The table as it stands: only while no other thread asks (the judge's
    // constructor).
    const MountTable &table() const { return mounts_; }

private:
    std::mutex mutex_;
    MountTable mounts_;
    bool reread_ = false;
};
