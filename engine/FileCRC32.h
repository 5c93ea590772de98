// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>

// The checksum of a whole file, read in 64 KiB blocks; 0 when it cannot be read.
std::uint32_t FileCRC32(const std::string &path);
