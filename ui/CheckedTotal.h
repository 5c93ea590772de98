// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>

// How many rows of the result list are checked and how many bytes their files
// take. Kept row by row as marks change and rows come and go, so that a
// million rows are never counted again to tell it.
struct CheckedTotal {
    std::int64_t files = 0;
    std::int64_t bytes = 0;

    void add(std::int64_t size)
    {
        ++files;
        bytes += size;
    }
    void remove(std::int64_t size)
    {
        --files;
        bytes -= size;
    }
    // A row of that size went from one mark to the other, or stayed.
    void change(bool was, bool now, std::int64_t size)
    {
        if (was != now)
            now ? add(size) : remove(size);
    }
    CheckedTotal &operator+=(const CheckedTotal &other)
    {
        files += other.files;
        bytes += other.bytes;
        return *this;
    }
    CheckedTotal &operator-=(const CheckedTotal &other)
    {
        files -= other.files;
        bytes -= other.bytes;
        return *this;
    }
    bool operator==(const CheckedTotal &) const = default;
};
