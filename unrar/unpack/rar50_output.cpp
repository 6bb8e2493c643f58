// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar50_output.h"

#include <algorithm>

namespace unrar {
namespace {

// Pending filters beyond this mean a hostile stream, not an archiver.
constexpr std::size_t kMaxPendingFilters = 8192;

std::uint32_t load32(const std::uint8_t *p)
{
    return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void store32(std::uint8_t *p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// x86 CALL (and JMP) targets were made absolute to help matching; turn
// them back into relative ones. Addresses count modulo 16 MiB from the
// member's first byte.
void undoE8E9(std::uint8_t *data, std::size_t n, std::uint32_t fileOffset, bool jumpsToo)
{
    constexpr std::uint32_t kSpan = 0x1000000;
    for (std::size_t i = 0; i + 4 < n;) {
        const std::uint8_t op = data[i++];
        if (op != 0xE8 && !(jumpsToo && op == 0xE9))
            continue;
        const std::uint32_t offset = (static_cast<std::uint32_t>(i) + fileOffset) % kSpan;
        const std::uint32_t addr = load32(data + i);
        if (addr & 0x80000000u) {
            if (((addr + offset) & 0x80000000u) == 0)
                store32(data + i, addr + kSpan);
        } else if ((addr - kSpan) & 0x80000000u) {
            store32(data + i, addr - offset);
        }
        i += 4;
    }
}

// ARM BL instructions: 24-bit word offsets made absolute, likewise.
void undoArm(std::uint8_t *data, std::size_t n, std::uint32_t fileOffset)
{
    for (std::size_t i = 0; i + 3 < n; i += 4) {
        std::uint8_t *op = data + i;
        if (op[3] != 0xEB)
            continue;
        const std::uint32_t target = (op[0] | std::uint32_t(op[1]) << 8 | std::uint32_t(op[2]) << 16)
            - (fileOffset + static_cast<std::uint32_t>(i)) / 4;
        op[0] = static_cast<std::uint8_t>(target);
        op[1] = static_cast<std::uint8_t>(target >> 8);
        op[2] = static_cast<std::uint8_t>(target >> 16);
    }
}

// The block holds each channel's byte differences one channel after the
// other; the output interleaves the channels again.
void undoDelta(const std::uint8_t *src, std::uint8_t *dst, std::size_t n, unsigned channels)
{
    for (unsigned c = 0; c < channels; ++c) {
        std::uint8_t prev = 0;
        for (std::size_t i = c; i < n; i += channels)
            dst[i] = prev = static_cast<std::uint8_t>(prev - *src++);
    }
}

} // namespace

void Rar50Output::startMember(ByteSink &sink, std::uint64_t start, std::uint64_t end)
{
    m_sink = &sink;
    m_memberStart = start;
    m_memberEnd = end;
    m_pos = start;
    m_filters.clear();
    m_block.clear();
}

bool Rar50Output::addFilter(FilterType type, unsigned channels, std::uint64_t start, std::uint32_t length)
{
    const std::uint64_t end = std::min(start + length, m_memberEnd);
    if (start >= end || (!m_filters.empty() && start < m_filters.back().end))
        return true;
    if (m_filters.size() >= kMaxPendingFilters)
        return false;
    m_filters.push_back({start, end, type, channels});
    return true;
}

bool Rar50Output::write(const std::uint8_t *data, std::size_t n)
{
    if (m_pos >= m_memberEnd)
        return true;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_memberEnd - m_pos));
    while (n) {
        std::size_t take = n;
        if (!m_filters.empty()) {
            const Filter &f = m_filters.front();
            if (m_pos >= f.start) {
                take = static_cast<std::size_t>(std::min<std::uint64_t>(n, f.end - m_pos));
                m_block.insert(m_block.end(), data, data + take);
                m_pos += take;
                data += take;
                n -= take;
                if (m_pos == f.end && !finishFilter())
                    return false;
                continue;
            }
            take = static_cast<std::size_t>(std::min<std::uint64_t>(n, f.start - m_pos));
        }
        if (!m_sink->write(data, take))
            return false;
        m_pos += take;
        data += take;
        n -= take;
    }
    return true;
}

bool Rar50Output::finishFilter()
{
    const Filter f = m_filters.front();
    m_filters.pop_front();
    // Offsets are 32-bit in the format; they wrap as the archiver's do.
    const auto fileOffset = static_cast<std::uint32_t>(f.start - m_memberStart);
    const std::uint8_t *out = m_block.data();
    switch (f.type) {
    case FilterType::E8:
    case FilterType::E8E9:
        undoE8E9(m_block.data(), m_block.size(), fileOffset, f.type == FilterType::E8E9);
        break;
    case FilterType::Arm:
        undoArm(m_block.data(), m_block.size(), fileOffset);
        break;
    case FilterType::Delta:
        m_channels.resize(m_block.size());
        undoDelta(m_block.data(), m_channels.data(), m_block.size(), f.channels);
        out = m_channels.data();
        break;
    }
    const bool more = m_sink->write(out, m_block.size());
    m_block.clear();
    return more;
}

} // namespace unrar
