// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar15_20_window.h"

#include <algorithm>

namespace unrar {
namespace {
// Small members still get a ring worth flushing in large pieces.
constexpr std::size_t kMinRing = 64 * 1024;
} // namespace

void LzWindow::beginMember(std::uint64_t size, std::size_t maxDistance, bool solid)
{
    m_maxDistance = maxDistance;
    if (solid) {
        if (m_ring.size() < maxDistance)
            grow(maxDistance);
    } else {
        m_pos = 0;
        std::size_t wanted = std::min(kMinRing, maxDistance);
        while (wanted < size && wanted < maxDistance)
            wanted <<= 1;
        if (m_ring.size() < wanted) {
            m_ring = {}; // free the old ring before taking the new one
            m_ring.resize(wanted);
        }
    }
    m_mask = m_ring.size() - 1;
    m_flushed = m_pos; // bytes of a member that failed are never handed on
    m_end = m_pos + size;
}

void LzWindow::grow(std::size_t size)
{
    // Keep every byte a match may still reach, each at its place in the
    // larger ring.
    std::vector<std::uint8_t> larger(size);
    const std::uint64_t kept = std::min<std::uint64_t>(m_pos, m_ring.size());
    for (std::uint64_t p = m_pos - kept; p < m_pos; ++p)
        larger[p & (size - 1)] = m_ring[p & m_mask];
    m_ring = std::move(larger);
}

void LzWindow::copySlow(std::uint32_t distance, std::uint32_t length)
{
    for (std::uint64_t p = m_pos, end = m_pos + length; p < end; ++p)
        m_ring[p & m_mask] = distance > p ? 0 : m_ring[(p - distance) & m_mask];
}

bool LzWindow::flush(ByteSink &out)
{
    const std::size_t start = m_flushed & m_mask;
    const std::size_t count = static_cast<std::size_t>(m_pos - m_flushed);
    const std::size_t first = std::min(count, m_ring.size() - start);
    m_flushed = m_pos;
    if (first && !out.write(&m_ring[start], first))
        return false;
    return count == first || out.write(m_ring.data(), count - first);
}

} // namespace unrar
