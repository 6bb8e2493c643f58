// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 3's range decoder for its PPM blocks: Subbotin's carry-less coder,
// which keeps low and range in 32 bits and shrinks the range instead of
// propagating a carry. It feeds the PPMd model the same way 7-Zip's coder
// does (see ppmd_h_model.h), but the bits it reads differ.
#pragma once

#include "bit_input.h"

#include <cstdint>

namespace unrar::ppmd {

class RarRangeDecoder {
public:
    // Reads the first four bytes of a block.
    void start(BitInput &in)
    {
        m_in = &in;
        m_low = 0;
        m_code = 0;
        m_range = 0xFFFFFFFF;
        m_failed = false;
        for (int i = 0; i < 4; ++i)
            m_code = (m_code << 8) | in.byte();
    }
    void use(BitInput &in) { m_in = &in; }
    // True when the arithmetic broke down: the data was not this coder's.
    bool failed() const { return m_failed; }

    std::uint32_t threshold(std::uint32_t total)
    {
        m_range /= total;
        return m_range != 0 ? (m_code - m_low) / m_range : total;
    }
    void decode(std::uint32_t start, std::uint32_t size)
    {
        m_low += start * m_range;
        m_range *= size;
        normalize();
    }
    unsigned decodeBit(std::uint32_t size0)
    {
        m_range >>= kBinScaleBits;
        if (m_code - m_low < m_range * size0) {
            decode(0, size0);
            return 0;
        }
        decode(size0, (1u << kBinScaleBits) - size0);
        return 1;
    }

private:
    static constexpr std::uint32_t kTop = 1u << 24;
    static constexpr std::uint32_t kBottom = 1u << 15;
    static constexpr unsigned kBinScaleBits = 14;

    void normalize()
    {
        for (;;) {
            if ((m_low ^ (m_low + m_range)) >= kTop) {
                if (m_range >= kBottom)
                    return;
                m_range = (0u - m_low) & (kBottom - 1);
            }
            m_code = (m_code << 8) | m_in->byte();
            m_range <<= 8;
            m_low <<= 8;
            if (m_range == 0) { // only damaged data gets here; stop rather than spin
                m_failed = true;
                return;
            }
        }
    }

    BitInput *m_in = nullptr;
    std::uint32_t m_low = 0;
    std::uint32_t m_code = 0;
    std::uint32_t m_range = 0xFFFFFFFF;
    bool m_failed = false;
};

} // namespace unrar::ppmd
