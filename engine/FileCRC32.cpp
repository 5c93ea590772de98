// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/FileCRC32.h"
#include "engine/CRC32Pas.h"
#include "platform/OpenedFile.h"

#include <vector>

std::uint32_t FileCRC32(const std::string &path)
{
    OpenedFile file;
    if (!file.open(path))
        return 0;
    std::vector<char> block(65536);
    std::uint32_t crc = 0xFFFFFFFFu;
    std::int64_t offset = 0;
    for (;;) {
        const long n = file.readAt(offset, block.data(), block.size());
        if (n <= 0)
            break; // the end, or a read error: what was read counts
        crc = UpdateCRC32(crc, block.data(), static_cast<std::int32_t>(n));
        offset += n;
    }
    return ~crc;
}
