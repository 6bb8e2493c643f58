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
    if (!solid)
        m_pos = 0;
    size = std::min<std::uint64_t>(size, UINT64_MAX / 2); // no stream gets near; the sums stay exact
    // Look-back reaches no further than the stream so far nor the
    // format's farthest match.
    std::size_t wanted = std::min(kMinRing, maxDistance);
    while (wanted < m_pos + size && wanted < maxDistance)
        wanted <<= 1;
    m_ring.fit(wanted, solid, m_pos);
    m_flushed = m_pos; // bytes of a member that failed are never handed on
    m_end = m_pos + size;
}

void LzWindow::copySlow(std::uint32_t distance, std::uint32_t length)
{
    for (std::uint64_t p = m_pos, end = m_pos + length; p < end; ++p)
        m_ring[p] = distance > p ? 0 : m_ring[p - distance];
}

bool LzWindow::flush(ByteSink &out)
{
    const std::size_t start = m_flushed & m_ring.mask();
    const std::size_t count = static_cast<std::size_t>(m_pos - m_flushed);
    const std::size_t first = std::min(count, m_ring.size() - start);
    m_flushed = m_pos;
    if (first && !out.write(m_ring.data() + start, first))
        return false;
    return count == first || out.write(m_ring.data(), count - first);
}

} // namespace unrar
