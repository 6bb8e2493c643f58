// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Bounds-checked little-endian reading of one header held in memory. Every
// read past the end sets a sticky failure flag and yields zeros, so parsers
// read a whole record and check ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace unrar {

class ByteCursor {
public:
    ByteCursor(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool ok() const { return m_ok; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_size - m_pos; }
    const std::uint8_t *current() const { return m_data + m_pos; }

    std::uint64_t fixed(int bytes)
    {
        if (!take(static_cast<std::size_t>(bytes)))
            return 0;
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | m_data[m_pos - static_cast<std::size_t>(bytes) + static_cast<std::size_t>(i)];
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(fixed(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(fixed(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(fixed(4)); }
    std::uint64_t u64() { return fixed(8); }

    // RAR 5 variable-length integer: 7 bits per byte, least significant first.
    // More than 10 bytes (or bits beyond 64) is malformed.
    std::uint64_t vint()
    {
        std::uint64_t v = 0;
        for (int i = 0; i < 10; ++i) {
            if (!take(1))
                return 0;
            const std::uint8_t b = m_data[m_pos - 1];
            if (i == 9 && (b & 0x7E)) // only one payload bit is left in a 10th byte
                break;
            v |= static_cast<std::uint64_t>(b & 0x7F) << (7 * i);
            if (!(b & 0x80))
                return v;
        }
        m_ok = false;
        return 0;
    }

    std::string bytes(std::size_t n)
    {
        if (!take(n))
            return {};
        return std::string(reinterpret_cast<const char *>(m_data + m_pos - n), n);
    }

    void skip(std::size_t n) { take(n); }

private:
    bool take(std::size_t n)
    {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace unrar
