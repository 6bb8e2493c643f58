// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The history of RAR 5's LZ stream: a ring of any size (RAR 7 declares
// dictionaries that are not powers of two), wrap handled per match rather
// than per byte. It is allocated once per handle and kept for solid members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace unrar {

class Rar50Window {
public:
    // Longest match the stream can ask for: length slot 43 with all its
    // extra bits, plus three for a long distance.
    static constexpr std::size_t kMaxMatch = 0x1004 + 3;

    // Makes the ring big enough for `history` bytes of look-back. keep:
    // the stream continues (solid), so what it holds moves into a larger
    // ring; otherwise the stream starts again at position 0.
    void prepare(std::uint64_t history, bool keep);

    std::uint8_t *data() { return m_data.get(); }
    std::size_t size() const { return m_size; }
    // Farthest distance a match may reach: beyond it the ring holds bytes
    // that fast copies overwrite.
    std::size_t maxDistance() const { return m_size - kSlack; }

    std::size_t pos = 0;       // where the next byte goes, < size()
    std::uint64_t total = 0;   // bytes decoded since the stream started
    std::uint64_t flushed = 0; // bytes of those handed on

    // Copies len (<= kMaxMatch) bytes from dist back (1 <= dist <=
    // maxDistance()) at ring position wp, returning the new position.
    static std::size_t copyMatch(std::uint8_t *win, std::size_t size, std::size_t wp, std::size_t dist, std::size_t len)
    {
        const std::size_t src = wp >= dist ? wp - dist : wp + size - dist;
        if (wp + len > size || src + len > size)
            return copyWrapping(win, size, wp, src, len);
        std::uint8_t *d = win + wp;
        const std::uint8_t *s = win + src;
        const std::size_t next = wp + len == size ? 0 : wp + len;
        if (src < wp && dist < 64) {
            // The bytes repeat every dist, so also every multiple of it:
            // widen the period until 16-byte steps read finished bytes, and
            // further until they read bytes stored a few steps earlier (a
            // load waiting on the store just made is slow).
            std::size_t period = dist;
            for (; period < 16; period *= 2) {
                if (len <= period) {
                    std::memcpy(d, s, len);
                    return next;
                }
                std::memcpy(d, s, period);
                d += period;
                len -= period;
            }
            for (; period < 64 && len > period; period *= 2) {
                for (std::size_t k = 0; k < period; k += 16)
                    std::memcpy(d + k, s + k, 16);
                d += period;
                len -= period;
            }
        }
        // Source and destination are at least 16 bytes apart; the last step
        // may write up to 15 bytes past the match, which kSlack and the
        // padding past the ring allow.
        for (;;) {
            std::memcpy(d, s, 16);
            if (len <= 16)
                return next;
            d += 16;
            s += 16;
            len -= 16;
        }
    }

private:
    static std::size_t copyWrapping(std::uint8_t *win, std::size_t size, std::size_t wp, std::size_t src,
                                    std::size_t len);

    // Distances stop this far short of the ring's size, and the buffer
    // extends this far past it.
    static constexpr std::size_t kSlack = 64;

    struct Free {
        void operator()(std::uint8_t *p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> m_data;
    std::size_t m_size = 0;
};

} // namespace unrar
