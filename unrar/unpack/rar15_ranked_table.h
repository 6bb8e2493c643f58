// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 1.5's adaptive ranking of byte values: literals, flag bytes and the
// high bits of far distances are sent as ranks, and each use moves a value
// towards the ranks with the shortest codes.
#pragma once

#include <array>
#include <cstdint>

namespace unrar {

// Byte values ranked by use. Each entry is a value (high byte) and a use
// count (low byte); nextPlace[c] is the rank an entry takes when its count
// grows past c, so frequent values drift to short codes.
class RankedTable {
public:
    void reset(unsigned (*valueAt)(unsigned), bool regroup)
    {
        for (unsigned i = 0; i < 256; ++i)
            m_entry[i] = static_cast<std::uint16_t>(valueAt(i) << 8);
        m_nextPlace.fill(0);
        if (regroup)
            this->regroup();
    }
    // The value at `place`, which then moves up; counts reaching `limit`
    // make the table start its ranking again.
    unsigned take(unsigned place, unsigned limit)
    {
        for (;;) {
            const unsigned current = m_entry[place];
            const unsigned target = m_nextPlace[current & 0xff]++; // wraps as a byte: stays in the table
            if ((current & 0xff) < limit) {
                m_entry[place] = m_entry[target];
                m_entry[target] = static_cast<std::uint16_t>(current + 1);
                return current >> 8;
            }
            regroup();
        }
    }

private:
    // Eight groups of 32 ranks with counts 7 down to 0.
    void regroup()
    {
        for (unsigned i = 0; i < 256; ++i)
            m_entry[i] = static_cast<std::uint16_t>((m_entry[i] & 0xff00) | (7 - i / 32));
        m_nextPlace.fill(0);
        for (unsigned c = 0; c < 7; ++c)
            m_nextPlace[c] = static_cast<std::uint8_t>((7 - c) * 32);
    }

    std::array<std::uint16_t, 256> m_entry{};
    std::array<std::uint8_t, 256> m_nextPlace{};
};

} // namespace unrar
