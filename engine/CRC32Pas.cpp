// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CRC32Pas.h"

#include <bit>

#include <cstring>

std::uint32_t UpdateCRC32(std::uint32_t crc, const void *buf, std::int32_t length)
{
    if (!buf || length <= 0)
        return crc;
    const auto &t = crc32detail::kTables;
    auto p = static_cast<const unsigned char *>(buf);
    auto len = static_cast<std::size_t>(length);
    while (std::endian::native == std::endian::little && len >= 8) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF]
            ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        len -= 8;
    }
    while (len--)
        crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
    return crc;
}
