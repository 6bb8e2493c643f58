// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar50_window.h"

#include <algorithm>
#include <new>

namespace unrar {
namespace {
// Small members still get a ring this big, so that flushing in large
// chunks and the longest match always fit.
constexpr std::uint64_t kMinHistory = 256 * 1024;
constexpr std::uint64_t kGranule = 64 * 1024;
} // namespace

void Rar50Window::prepare(std::uint64_t history, bool keep)
{
    const std::uint64_t wanted = std::max(history, kMinHistory) + kSlack;
    if (wanted > SIZE_MAX / 2)
        throw std::bad_alloc();
    const std::size_t size = static_cast<std::size_t>((wanted + kGranule - 1) / kGranule * kGranule);
    if (!keep) {
        pos = 0;
        total = 0;
        flushed = 0;
    }
    if (size <= m_size)
        return;
    if (!keep || !m_data) {
        // A stream starting afresh: the old ring goes before the new one
        // comes, so peak memory stays one ring.
        m_data.reset();
        m_size = 0;
        m_data.reset(static_cast<std::uint8_t *>(std::calloc(size + kSlack, 1)));
        if (!m_data)
            throw std::bad_alloc();
        m_size = size;
        return;
    }
    // A solid member needs more look-back than the ring gave the members
    // before it: grow in place where the allocator can, then lay the old
    // ring out oldest byte first so that distances still count back from pos.
    auto *grown = static_cast<std::uint8_t *>(std::realloc(m_data.get(), size + kSlack));
    if (!grown)
        throw std::bad_alloc();
    (void)m_data.release();
    m_data.reset(grown);
    if (total >= m_size) {
        std::rotate(grown, grown + pos, grown + m_size);
        pos = m_size;
    }
    std::memset(grown + m_size, 0, size + kSlack - m_size);
    m_size = size;
}

std::size_t Rar50Window::copyWrapping(std::uint8_t *win, std::size_t size, std::size_t wp, std::size_t src,
                                      std::size_t len)
{
    while (len--) {
        win[wp] = win[src];
        if (++wp == size)
            wp = 0;
        if (++src == size)
            src = 0;
    }
    return wp;
}

} // namespace unrar
