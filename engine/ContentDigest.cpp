// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ContentDigest.h"

#include <cstring>

namespace
{

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;

std::uint64_t Rotl(std::uint64_t x, int r)
{
    return (x << r) | (x >> (64 - r));
}

std::uint64_t Word(const char *p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

std::uint64_t Mix(std::uint64_t acc, std::uint64_t word)
{
    return Rotl(acc + word * kPrime2, 31) * kPrime1;
}

std::uint64_t Avalanche(std::uint64_t h)
{
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    return h ^ (h >> 32);
}

} // namespace

ContentDigest DigestOf(const char *bytes, std::size_t length)
{
    // Four lanes of 64 bits over 32-byte stripes keep the multiplier busy;
    // two different folds of them give the two halves.
    std::uint64_t lane[4] = {kPrime1 + kPrime2, kPrime2, 0, std::uint64_t(0) - kPrime1};
    std::size_t at = 0;
    for (; at + 32 <= length; at += 32)
        for (int k = 0; k < 4; ++k)
            lane[k] = Mix(lane[k], Word(bytes + at + 8 * k));
    std::uint64_t tail = std::uint64_t(length) * kPrime3;
    for (; at + 8 <= length; at += 8)
        tail = Mix(tail, Word(bytes + at));
    for (; at < length; ++at)
        tail = Mix(tail, std::uint8_t(bytes[at]));
    const std::uint64_t low
        = Avalanche(Rotl(lane[0], 1) + Rotl(lane[1], 7) + Rotl(lane[2], 12) + Rotl(lane[3], 18) + tail);
    const std::uint64_t high
        = Avalanche((lane[0] ^ Rotl(lane[2], 29)) * kPrime3 + (lane[1] ^ Rotl(lane[3], 43)) + ~tail);
    return {low, high};
}
