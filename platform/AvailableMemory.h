// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// The memory the system could give without swapping, page cache it may drop
// included (MemAvailable); 0 when it cannot be told.
std::uint64_t AvailableMemory();

// MemAvailable of a /proc/meminfo text, in bytes.
std::optional<std::uint64_t> MemAvailableIn(std::string_view meminfo);
