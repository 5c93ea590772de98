#pragma once
#include <cstddef>
#include <cstdint>

// Carry-less-multiply folding of the same CRC-32, for long buffers on
// processors that have it. Works on the raw running value like UpdateCRC32.
bool CRC32ClmulAvailable();
// len must be a multiple of 16 and at least 64.
std::uint32_t UpdateCRC32Clmul(std::uint32_t crc, const unsigned char *buf, std::size_t len);
