#pragma once
#include <cstdint>
#include <string>

// A byte count as short text: at most two decimals ("." as the separator,
// no trailing zeros) and the unit bytes, KB, MB or GB. A unit is used only
// above its size, so 1024 reads "1024 bytes" and 1025 "1 KB".
std::string FormatByteSize(std::int64_t bytes);
