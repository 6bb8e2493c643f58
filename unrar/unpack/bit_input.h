// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Reads a member's packed data as a bit stream, most significant bit first,
// as every RAR method writes it. Past the end of the data it yields zero
// bits; overrun() then tells the decoder that what it read was not there.
#pragma once

#include "unpacker.h"

#include <cstdint>
#include <memory>

namespace unrar {

class BitInput {
public:
    explicit BitInput(PackedInput &in);

    // The next n bits (1 to 32) without consuming them.
    std::uint32_t peek(unsigned n)
    {
        if (m_count < n)
            fill();
        return static_cast<std::uint32_t>(m_acc >> (64 - n));
    }
    // Consumes n bits (0 to 32) that a peek of at least n has made ready.
    void skip(unsigned n)
    {
        m_acc = n < 64 ? m_acc << n : 0;
        m_count -= n;
        m_consumed += n;
    }
    std::uint32_t bits(unsigned n)
    {
        const std::uint32_t v = peek(n);
        skip(n);
        return v;
    }
    // Drops the rest of the current byte (the stream's bytes count from the
    // member's first byte).
    void alignToByte()
    {
        if (m_count < 8)
            fill();
        skip(m_count % 8);
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(bits(8)); }

    // True when at least n (up to 56) more bits of the packed data are
    // there to read.
    bool hasBits(unsigned n)
    {
        if (m_count < n)
            fill();
        return m_realBits >= m_consumed + n;
    }

    // Bits consumed since the member's first byte.
    std::uint64_t position() const { return m_consumed; }
    // True once more bits were consumed than the packed data holds.
    bool overrun() const { return m_consumed > m_realBits; }

private:
    void fill();
    bool refill();

    PackedInput &m_in;
    std::unique_ptr<std::uint8_t[]> m_buffer; // read into before it is read from
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_inputDone = false;
    std::uint64_t m_acc = 0; // unread bits, left-aligned
    unsigned m_count = 0;    // how many bits m_acc holds
    std::uint64_t m_consumed = 0;
    std::uint64_t m_realBits = 0;
};

} // namespace unrar
