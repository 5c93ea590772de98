#include "CRC32Clmul.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

bool CRC32ClmulAvailable()
{
    static const bool available = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return available;
}

// Folding constants of the reflected polynomial 0xEDB88320: x^(4*128+32),
// x^(4*128-32), x^(128+32), x^(128-32), x^64 mod P, and the Barrett pair.
std::uint32_t UpdateCRC32Clmul(std::uint32_t crc, const unsigned char *buf, std::size_t len)
{
    alignas(16) static const std::uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const std::uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};

    auto load = [](const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    auto fold = [](__m128i acc, __m128i k, __m128i next) {
        const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
        const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
        return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
    };

    __m128i x1 = _mm_xor_si128(load(buf), _mm_cvtsi32_si128(int(crc)));
    __m128i x2 = load(buf + 16), x3 = load(buf + 32), x4 = load(buf + 48);
    buf += 64;
    len -= 64;

    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i *>(k1k2));
    while (len >= 64) {
        x1 = fold(x1, k, load(buf));
        x2 = fold(x2, k, load(buf + 16));
        x3 = fold(x3, k, load(buf + 32));
        x4 = fold(x4, k, load(buf + 48));
        buf += 64;
        len -= 64;
    }

    k = _mm_load_si128(reinterpret_cast<const __m128i *>(k3k4));
    x1 = fold(x1, k, x2);
    x1 = fold(x1, k, x3);
    x1 = fold(x1, k, x4);
    while (len >= 16) {
        x1 = fold(x1, k, load(buf));
        buf += 16;
        len -= 16;
    }

    // 128 bits to 64.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x0 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x0);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(k5k0));
    x0 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x00), x0);

    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i *>(poly));
    x0 = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x10), mask32);
    x0 = _mm_clmulepi64_si128(x0, k, 0x00);
    x1 = _mm_xor_si128(x1, x0);
    return std::uint32_t(_mm_extract_epi32(x1, 1));
}

#else

bool CRC32ClmulAvailable() { return false; }
std::uint32_t UpdateCRC32Clmul(std::uint32_t crc, const unsigned char *, std::size_t) { return crc; }

#endif
