// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The sliding window of the RAR 1.5 and 2.0 decoders: a ring buffer that
// decoded bytes go into and that matches copy from, flushed to the sink in
// large pieces. Positions count from the start of the (possibly solid)
// stream, so a match reaching before that start yields zeros whatever the
// ring's size, and a small member needs only a small ring.
#pragma once

#include "bit_input.h"
#include "ring.h"
#include "unpacker.h"

#include <cstdint>
#include <cstring>

namespace unrar {

class LzWindow {
public:
    // Longest match either format writes, with room to spare.
    static constexpr std::uint32_t kMaxMatch = 512;

    // Starts a member of `size` bytes. A solid member continues the stream,
    // otherwise it starts again. The ring grows to hold the stream up to the
    // member's end, but never past maxDistance (a power of two, the format's
    // farthest match).
    void beginMember(std::uint64_t size, std::size_t maxDistance, bool solid);

    // Matches are cut short at the member's end.
    bool memberDone() const { return m_pos >= m_end; }

    // Callers check memberDone() first.
    void literal(std::uint8_t b) { m_ring[m_pos++] = b; }

    // false: a distance no stream of the format can hold (an empty copy
    // from anywhere is harmless).
    bool match(std::uint32_t distance, std::uint32_t length)
    {
        if (distance == 0 || distance > m_maxDistance)
            return length == 0;
        if (length > m_end - m_pos)
            length = static_cast<std::uint32_t>(m_end - m_pos);
        const std::size_t dst = m_pos & m_ring.mask();
        const std::size_t src = (m_pos - distance) & m_ring.mask();
        if (distance >= length && distance <= m_pos && dst + length <= m_ring.size() && src + length <= m_ring.size())
            std::memmove(m_ring.data() + dst, m_ring.data() + src, length);
        else
            copySlow(distance, length);
        m_pos += length;
        return true;
    }

    // Time to flush before the next symbol, so no match overwrites bytes
    // the sink has not had.
    bool wantsFlush() const { return m_pos - m_flushed > m_ring.size() - kMaxMatch; }
    // Hands every byte decoded so far to the sink; false when it stops us.
    bool flush(ByteSink &out);

    // Runs step(in), one symbol at a time, until the member's bytes are all
    // made, flushing as the ring fills. Ok leaves the last bytes to flush();
    // BadData when a step fails or needed bits the data did not hold.
    template<typename Step>
    UnpackResult decodeMember(BitInput &in, ByteSink &out, Step step)
    {
        while (!memberDone()) {
            if (in.overrun())
                return UnpackResult::BadData;
            if (wantsFlush() && !flush(out))
                return UnpackResult::Stopped;
            if (!step(in))
                return UnpackResult::BadData;
        }
        return in.overrun() ? UnpackResult::BadData : UnpackResult::Ok;
    }

private:
    void copySlow(std::uint32_t distance, std::uint32_t length);

    Ring<std::uint8_t> m_ring;
    std::size_t m_maxDistance = 0;
    std::uint64_t m_pos = 0;
    std::uint64_t m_flushed = 0;
    std::uint64_t m_end = 0;
};

} // namespace unrar
