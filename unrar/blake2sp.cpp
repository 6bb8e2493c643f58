// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "blake2sp.h"

#include <algorithm>
#include <cstring>

namespace unrar {
namespace {

constexpr std::uint32_t kIv[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                  0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr std::uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4}, {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13}, {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11}, {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5}, {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

constexpr std::uint32_t rotr(std::uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

std::uint32_t load32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::size_t kBlock = 64;
constexpr std::uint32_t kDigestSize = 32;
constexpr std::uint32_t kFanout = 8;
constexpr std::uint32_t kDepth = 2;

} // namespace

Blake2s::Blake2s(std::uint32_t nodeOffset, std::uint8_t nodeDepth, bool lastNode)
    : m_lastNode(lastNode)
{
    for (int i = 0; i < 8; ++i)
        m_h[i] = kIv[i];
    // The parameter block: digest size, key size 0, fanout, depth; leaf
    // size 0; node offset; node depth and inner digest size.
    m_h[0] ^= kDigestSize | kFanout << 16 | kDepth << 24;
    m_h[2] ^= nodeOffset;
    m_h[3] ^= static_cast<std::uint32_t>(nodeDepth) << 16 | kDigestSize << 24;
}

void Blake2s::compress(const std::uint8_t *block, bool last)
{
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = load32(block + 4 * i);
    std::uint32_t v[16];
    for (int i = 0; i < 8; ++i) {
        v[i] = m_h[i];
        v[i + 8] = kIv[i];
    }
    v[12] ^= static_cast<std::uint32_t>(m_counter);
    v[13] ^= static_cast<std::uint32_t>(m_counter >> 32);
    if (last) {
        v[14] = ~v[14];
        if (m_lastNode)
            v[15] = ~v[15];
    }
    auto mix = [&v](int a, int b, int c, int d, std::uint32_t x, std::uint32_t y) {
        v[a] = v[a] + v[b] + x;
        v[d] = rotr(v[d] ^ v[a], 16);
        v[c] = v[c] + v[d];
        v[b] = rotr(v[b] ^ v[c], 12);
        v[a] = v[a] + v[b] + y;
        v[d] = rotr(v[d] ^ v[a], 8);
        v[c] = v[c] + v[d];
        v[b] = rotr(v[b] ^ v[c], 7);
    };
    for (const auto &s : kSigma) {
        mix(0, 4, 8, 12, m[s[0]], m[s[1]]);
        mix(1, 5, 9, 13, m[s[2]], m[s[3]]);
        mix(2, 6, 10, 14, m[s[4]], m[s[5]]);
        mix(3, 7, 11, 15, m[s[6]], m[s[7]]);
        mix(0, 5, 10, 15, m[s[8]], m[s[9]]);
        mix(1, 6, 11, 12, m[s[10]], m[s[11]]);
        mix(2, 7, 8, 13, m[s[12]], m[s[13]]);
        mix(3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
    for (int i = 0; i < 8; ++i)
        m_h[i] ^= v[i] ^ v[i + 8];
}

void Blake2s::update(const std::uint8_t *data, std::size_t size)
{
    // The last block is held back until final(), which marks it as last.
    while (size > 0) {
        if (m_buffered == kBlock) {
            m_counter += kBlock;
            compress(m_buffer.data(), false);
            m_buffered = 0;
        }
        const std::size_t take = std::min(size, kBlock - m_buffered);
        std::memcpy(m_buffer.data() + m_buffered, data, take);
        m_buffered += take;
        data += take;
        size -= take;
    }
}

std::array<std::uint8_t, 32> Blake2s::final()
{
    m_counter += m_buffered;
    std::fill(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_buffered), m_buffer.end(), 0);
    compress(m_buffer.data(), true);
    std::array<std::uint8_t, 32> digest{};
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 4; ++k)
            digest[4 * i + k] = static_cast<std::uint8_t>(m_h[i] >> (8 * k));
    return digest;
}

Blake2sp::Blake2sp()
    : m_leaves{Blake2s(0, 0, false), Blake2s(1, 0, false), Blake2s(2, 0, false), Blake2s(3, 0, false),
               Blake2s(4, 0, false), Blake2s(5, 0, false), Blake2s(6, 0, false), Blake2s(7, 0, true)}
{
}

void Blake2sp::update(const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const std::size_t inBlock = static_cast<std::size_t>(m_position % kBlock);
        const std::size_t take = std::min(size, kBlock - inBlock);
        m_leaves[(m_position / kBlock) % kLeaves].update(data, take);
        m_position += take;
        data += take;
        size -= take;
    }
}

std::array<std::uint8_t, 32> Blake2sp::final()
{
    Blake2s root(0, 1, true);
    for (auto &leaf : m_leaves) {
        const auto digest = leaf.final();
        root.update(digest.data(), digest.size());
    }
    return root.final();
}

} // namespace unrar
