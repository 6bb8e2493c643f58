// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "bit_input.h"

namespace unrar {
namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
} // namespace

BitInput::BitInput(PackedInput &in)
    : m_in(in)
    , m_buffer(std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize))
{
}

bool BitInput::refill()
{
    if (m_inputDone)
        return false;
    m_pos = 0;
    m_end = m_in.read(m_buffer.get(), kBufferSize);
    m_realBits += 8 * static_cast<std::uint64_t>(m_end);
    if (m_end == 0)
        m_inputDone = true;
    return m_end > 0;
}

void BitInput::fill()
{
    if (m_end - m_pos >= 8) {
        // Eight bytes at once; the bits below m_count that do not fit a
        // whole byte are the stream's next bits, so refilling them later
        // ORs in the same values.
        std::uint64_t next = 0;
        for (unsigned i = 0; i < 8; ++i)
            next = next << 8 | m_buffer[m_pos + i];
        m_acc |= next >> m_count;
        const unsigned bytes = (63 - m_count) / 8;
        m_pos += bytes;
        m_count += 8 * bytes;
        return;
    }
    while (m_count <= 56) {
        if (m_pos == m_end && !refill()) {
            // Zeros past the end keep the decoder's arithmetic defined;
            // overrun() reports that they were used.
            m_count = 64;
            return;
        }
        m_acc |= static_cast<std::uint64_t>(m_buffer[m_pos++]) << (56 - m_count);
        m_count += 8;
    }
}

} // namespace unrar
