// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "crc32.h"

#include <array>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define MARROWFEN_CRC32_CLMUL 1
#include <immintrin.h>
#endif

namespace unrar {
namespace {

// Slicing-by-8 where carry-less multiplication is not available, and for
// the short tails around the folded part.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();

// On the inverted register, as the table and folding steps both work.
std::uint32_t crcTables(std::uint32_t crc, const std::uint8_t *data, std::size_t size)
{
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t low = crc
            ^ (static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8
               | static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24);
        crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF]
            ^ kTables[4][low >> 24] ^ kTables[3][data[4]] ^ kTables[2][data[5]] ^ kTables[1][data[6]]
            ^ kTables[0][data[7]];
    }
    for (; size > 0; ++data, --size)
        crc = kTables[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return crc;
}

#ifdef MARROWFEN_CRC32_CLMUL
#define MARROWFEN_CLMUL_TARGET __attribute__((target("pclmul,sse2")))

MARROWFEN_CLMUL_TARGET inline __m128i load(const std::uint8_t *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// Moves a lane forward by the distance k stands for and adds the next bytes.
MARROWFEN_CLMUL_TARGET inline __m128i fold(__m128i lane, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11)), next);
}

// Folding with carry-less multiplication (the method of Intel's paper on
// CRC computation with PCLMULQDQ), for the bit-reflected polynomial: four
// 128-bit lanes are folded 64 bytes at a time, then into one lane, then
// reduced to 32 bits by Barrett's method. The constants are x^n mod P for
// the fold distances, and P and floor(x^64 / P), all bit-reflected.
// size is a multiple of 16, at least 64.
MARROWFEN_CLMUL_TARGET std::uint32_t crcFolded(std::uint32_t crc, const std::uint8_t *data, std::size_t size)
{
    const __m128i fold4 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4); // 4 lanes: x^(512+32), x^(512-32)
    const __m128i fold1 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0); // 1 lane: x^(128+32), x^(128-32)
    const __m128i fold64 = _mm_set_epi64x(0, 0x0163cd6124);           // x^64
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

    __m128i x0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(data + 16);
    __m128i x2 = load(data + 32);
    __m128i x3 = load(data + 48);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64) {
        x0 = fold(x0, fold4, load(data));
        x1 = fold(x1, fold4, load(data + 16));
        x2 = fold(x2, fold4, load(data + 32));
        x3 = fold(x3, fold4, load(data + 48));
    }
    x0 = fold(x0, fold1, x1);
    x0 = fold(x0, fold1, x2);
    x0 = fold(x0, fold1, x3);
    for (; size >= 16; data += 16, size -= 16)
        x0 = fold(x0, fold1, load(data));

    // 128 bits to 64, then to 32 by Barrett reduction.
    x0 = _mm_xor_si128(_mm_clmulepi64_si128(x0, fold1, 0x10), _mm_srli_si128(x0, 8));
    x0 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x0, low32), fold64, 0x00), _mm_srli_si128(x0, 4));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x0, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    x0 = _mm_xor_si128(x0, t);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x0, 4)));
}

bool haveClmul()
{
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return have;
}
#endif

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t crc)
{
    crc = ~crc;
#ifdef MARROWFEN_CRC32_CLMUL
    constexpr std::size_t kMinFolded = 256; // below this the set-up costs more than it saves
    if (size >= kMinFolded && haveClmul()) {
        const std::size_t folded = size & ~std::size_t{15};
        crc = crcFolded(crc, data, folded);
        data += folded;
        size -= folded;
    }
#endif
    return ~crcTables(crc, data, size);
}

} // namespace unrar
