#include "CRC32Pas.h"
#include "CRC32Clmul.h"

#include <bit>

#include <cstring>

std::uint32_t UpdateCRC32Large(std::uint32_t crc, const void *buf, std::size_t len)
{
    if (!buf)
        return crc;
    const auto &t = crc32detail::kTables;
    auto p = static_cast<const unsigned char *>(buf);
    if (len >= 256 && CRC32ClmulAvailable()) {
        const std::size_t folded = len & ~std::size_t(15);
        crc = UpdateCRC32Clmul(crc, p, folded);
        p += folded;
        len -= folded;
    }
    while (std::endian::native == std::endian::little && len >= 8) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24]
            ^ t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        len -= 8;
    }
    while (len--)
        crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

std::uint32_t UpdateCRC32(std::uint32_t crc, const void *buf, std::int32_t len)
{
    if (!buf || len <= 0)
        return crc;
    return UpdateCRC32Large(crc, buf, static_cast<std::size_t>(len));
}
