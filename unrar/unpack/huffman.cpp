// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "huffman.h"

#include <algorithm>

namespace unrar {

void HuffmanCode::build(const std::uint8_t *lengths, unsigned count)
{
    m_count = std::min(count, kMaxSymbols);
    std::array<std::uint32_t, kMaxLength + 1> lengthCount{};
    for (unsigned i = 0; i < m_count; ++i)
        ++lengthCount[std::min<unsigned>(lengths[i], kMaxLength)];
    lengthCount[0] = 0;

    std::uint32_t code = 0;
    std::uint32_t index = 0;
    for (unsigned len = 1; len <= kMaxLength; ++len) {
        code = (code + lengthCount[len - 1]) << 1;
        m_first[len] = code;
        m_offset[len] = index;
        index += lengthCount[len];
        // An over-full table would run past 15 bits: clamp so decoding
        // stays inside the table.
        m_limit[len] = std::min<std::uint32_t>((code + lengthCount[len]) << (kMaxLength - len), 1u << kMaxLength);
    }

    std::array<std::uint32_t, kMaxLength + 1> next = m_offset;
    for (unsigned i = 0; i < m_count; ++i) {
        const unsigned len = std::min<unsigned>(lengths[i], kMaxLength);
        if (len)
            m_sorted[next[len]++] = static_cast<std::uint16_t>(i);
    }

    m_quickLength.fill(0);
    m_quickSymbol.fill(0);
    for (unsigned len = 1; len <= kQuickBits; ++len) {
        for (std::uint32_t k = 0; k < lengthCount[len]; ++k) {
            const std::uint32_t first = (m_first[len] + k) << (kQuickBits - len);
            const std::uint32_t last = std::min<std::uint32_t>(first + (1u << (kQuickBits - len)), 1u << kQuickBits);
            for (std::uint32_t q = first; q < last; ++q) {
                m_quickLength[q] = static_cast<std::uint8_t>(len);
                m_quickSymbol[q] = m_sorted[m_offset[len] + k];
            }
        }
    }
}

unsigned HuffmanCode::decodeSlow(BitInput &in, std::uint32_t bits) const
{
    unsigned len = kQuickBits + 1;
    while (len < kMaxLength && bits >= m_limit[len])
        ++len;
    in.skip(len);
    const std::uint32_t index = m_offset[len] + ((bits >> (kMaxLength - len)) - m_first[len]);
    return index < m_count ? m_sorted[index] : 0;
}

} // namespace unrar
