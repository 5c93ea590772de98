// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A byte count as short text: at most two decimals (no trailing zeros) and
// the unit bytes, KB, MB or GB. A unit is used only above its size, so 1024
// reads "1024 bytes" and 1025 "1 KB". The decimal separator is the user's
// locale's, or the given one (UTF-8).
std::string FormatByteSize(std::int64_t bytes);
std::string FormatByteSize(std::int64_t bytes, std::string_view decimalSeparator);
