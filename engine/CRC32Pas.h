// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <array>
#include <cstdint>

namespace crc32detail
{
constexpr std::uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<std::array<std::uint32_t, 256>, 8> makeTables()
{
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
        t[0][i] = c;
    }
    // Slices k > 0 fold k further zero bytes, so eight bytes cost eight lookups
    // and one dependency chain instead of eight.
    for (std::uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}
inline constexpr auto kTables = makeTables();
} // namespace crc32detail

// The byte table of the reflected CRC-32 polynomial.
inline constexpr const std::array<std::uint32_t, 256> &CRC32Table = crc32detail::kTables[0];

// Folds len bytes of buf into a running CRC. No initial value and no final
// inversion are applied here; no buffer or len <= 0 returns crc unchanged.
std::uint32_t UpdateCRC32(std::uint32_t crc, const void *buf, std::int32_t len);
