// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Canonical prefix codes as RAR 2.0, 2.9 and 5.0 store them: a bit length
// (0 to 15) per symbol, codes given out by length and then by symbol.
// Decoding is bounded whatever the lengths are, so a damaged table yields
// wrong symbols, never a read outside the table.
#pragma once

#include "bit_input.h"

#include <array>
#include <cstdint>

namespace unrar {

class HuffmanCode {
public:
    static constexpr unsigned kMaxSymbols = 512;
    static constexpr unsigned kMaxLength = 15;

    // count symbols (at most kMaxSymbols), lengths above 15 are taken as 15.
    void build(const std::uint8_t *lengths, unsigned count);
    unsigned decode(BitInput &in) const
    {
        const std::uint32_t bits = in.peek(kMaxLength);
        const std::uint32_t quick = bits >> (kMaxLength - kQuickBits);
        if (m_quickLength[quick]) {
            in.skip(m_quickLength[quick]);
            return m_quickSymbol[quick];
        }
        return decodeSlow(in, bits);
    }

private:
    static constexpr unsigned kQuickBits = 10;
    unsigned decodeSlow(BitInput &in, std::uint32_t bits) const;

    unsigned m_count = 0;
    std::array<std::uint32_t, kMaxLength + 1> m_first{};  // first code of each length
    std::array<std::uint32_t, kMaxLength + 1> m_limit{};  // end of each length's codes, left-aligned to 15 bits
    std::array<std::uint32_t, kMaxLength + 1> m_offset{}; // index in m_sorted of each length's first symbol
    std::array<std::uint16_t, kMaxSymbols> m_sorted{};
    std::array<std::uint8_t, 1u << kQuickBits> m_quickLength{};
    std::array<std::uint16_t, 1u << kQuickBits> m_quickSymbol{};
};

} // namespace unrar
