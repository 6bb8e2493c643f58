// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Mutated headers almost never keep a valid checksum, so without help the
// fuzzers would mostly exercise the checksum test. This rewrites the header
// CRCs of the archive in a buffer (RAR 4 and RAR 5, hopping header to header
// by the sizes the headers claim) so that mutated fields reach the parsers.
#pragma once

#include "crc32.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace fuzzing {

class HeaderCrcRepair {
public:
    explicit HeaderCrcRepair(std::vector<std::uint8_t> &bytes)
        : m_b(bytes)
    {
    }

    // True when at least one CRC was rewritten.
    bool run()
    {
        static constexpr std::uint8_t kSignature[] = {'R', 'a', 'r', '!', 0x1A, 0x07};
        const auto it = std::search(m_b.begin(), m_b.end(), std::begin(kSignature), std::end(kSignature));
        std::size_t pos = static_cast<std::size_t>(it - m_b.begin()) + 6;
        if (pos + 1 > m_b.size())
            return false;
        if (m_b[pos] == 0)
            return walkRar4(pos + 1);
        if (m_b[pos] == 1 && pos + 2 <= m_b.size() && m_b[pos + 1] == 0)
            return walkRar5(pos + 2);
        return false;
    }

private:
    std::uint64_t le(std::size_t at, int bytes) const
    {
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | m_b[at + static_cast<std::size_t>(i)];
        return v;
    }

    bool walkRar4(std::size_t pos)
    {
        bool changed = false;
        while (m_b.size() - pos >= 7) {
            const std::size_t headSize = static_cast<std::size_t>(le(pos + 5, 2));
            if (headSize < 7 || headSize > m_b.size() - pos)
                break;
            const std::uint8_t type = m_b[pos + 2];
            const auto flags = static_cast<std::uint16_t>(le(pos + 3, 2));
            const auto crc = static_cast<std::uint16_t>(unrar::crc32(&m_b[pos + 2], headSize - 2) & 0xFFFF);
            changed |= crc != le(pos, 2);
            m_b[pos] = static_cast<std::uint8_t>(crc & 0xFF);
            m_b[pos + 1] = static_cast<std::uint8_t>(crc >> 8);
            std::uint64_t data = 0;
            if ((type == 0x74 || type == 0x7A) && headSize >= 32) {
                data = le(pos + 7, 4);
                if ((flags & 0x0100) && headSize >= 40)
                    data |= le(pos + 32, 4) << 32;
            } else if (((flags & 0x8000) || type == 0x77) && headSize >= 11) {
                data = le(pos + 7, 4);
            }
            if (data > m_b.size() - pos - headSize)
                break;
            pos += headSize + static_cast<std::size_t>(data);
        }
        return changed;
    }

    // A RAR 5 vint at pos: false when it runs past the end or past 10 bytes.
    bool vint(std::size_t &pos, std::size_t end, std::uint64_t &value) const
    {
        value = 0;
        for (int i = 0; i < 10 && pos < end; ++i) {
            const std::uint8_t b = m_b[pos++];
            value |= static_cast<std::uint64_t>(b & 0x7F) << (7 * i);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

    bool walkRar5(std::size_t pos)
    {
        bool changed = false;
        while (m_b.size() - pos >= 5) {
            std::size_t at = pos + 4;
            std::uint64_t headerSize = 0;
            if (!vint(at, m_b.size(), headerSize) || headerSize == 0 || headerSize > m_b.size() - at)
                break;
            const std::size_t end = at + static_cast<std::size_t>(headerSize);
            const std::uint32_t crc = unrar::crc32(&m_b[pos + 4], end - pos - 4);
            changed |= crc != le(pos, 4);
            for (int i = 0; i < 4; ++i)
                m_b[pos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
            std::uint64_t type = 0, flags = 0, extra = 0, data = 0;
            if (!vint(at, end, type) || !vint(at, end, flags) || ((flags & 1) && !vint(at, end, extra))
                || ((flags & 2) && !vint(at, end, data)) || data > m_b.size() - end)
                break;
            pos = end + static_cast<std::size_t>(data);
        }
        return changed;
    }

    std::vector<std::uint8_t> &m_b;
};

} // namespace fuzzing
