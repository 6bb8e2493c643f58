// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The way out of RAR 5's decoder for one member: bytes leave in stream
// order, blocks that the stream marked for a filter (x86 calls and jumps,
// ARM branches, interleaved channels) are collected and filtered first, and
// nothing past the member's end is ever written.
#pragma once

#include "unpacker.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace unrar {

class Rar50Output {
public:
    enum class FilterType : std::uint8_t { Delta = 0, E8 = 1, E8E9 = 2, Arm = 3 };
    // RAR never filters more than this at once.
    static constexpr std::uint32_t kMaxFilterBlock = 0x400000;

    // The member occupies stream positions [start, end).
    void startMember(ByteSink &sink, std::uint64_t start, std::uint64_t end);

    // A filter over [start, start + length) of the stream, start not before
    // any byte already passed to write(). Blocks that overlap an earlier
    // one, are empty or lie past the member's end do nothing. false: more
    // filters are waiting than any real archive needs.
    bool addFilter(FilterType type, unsigned channels, std::uint64_t start, std::uint32_t length);

    // The stream's next n bytes. false: the sink asked to stop.
    bool write(const std::uint8_t *data, std::size_t n);

private:
    struct Filter {
        std::uint64_t start;
        std::uint64_t end;
        FilterType type;
        unsigned channels;
    };
    bool finishFilter();

    ByteSink *m_sink = nullptr;
    std::uint64_t m_memberStart = 0;
    std::uint64_t m_memberEnd = 0;
    std::uint64_t m_pos = 0; // stream position of the next byte write() gets
    std::deque<Filter> m_filters;
    std::vector<std::uint8_t> m_block;    // the first filter's bytes so far
    std::vector<std::uint8_t> m_channels; // the delta filter's output
};

} // namespace unrar
