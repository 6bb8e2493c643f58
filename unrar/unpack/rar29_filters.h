// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.9/3.x filters. The format ships each filter as a program for its
// virtual machine; the archivers only ever emit a handful of standard
// programs, which we recognise by their bytecode and run natively. Any other
// program is refused, never executed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace unrar::rar29 {

enum class FilterKind : std::uint8_t { E8, E8E9, Itanium, Delta, Rgb, Audio };

// The virtual machine's data area ends where its global data begins: no
// filter block (and, for the filters writing a second buffer, no pair of
// buffers) may reach past it.
constexpr std::uint32_t kFilterMemory = 0x3C000;

struct PendingFilter {
    std::uint64_t start = 0; // stream position of the block
    std::uint32_t length = 0;
    FilterKind kind = FilterKind::E8;
    std::array<std::uint32_t, 7> regs{}; // R0..R6 as the program would see them
};

// Runs one filter over data[0, length) in place. data holds kFilterMemory
// bytes. Returns where the result starts (data, or data + length for the
// filters that write a second buffer), or nullptr when the parameters do not
// suit the filter. fileOffset: the block's offset in the member.
std::uint8_t *runFilter(const PendingFilter &filter, std::uint8_t *data, std::uint32_t fileOffset);

// The filter definitions a stream has sent (they outlive members in a solid
// stream) and the blocks still waiting to be filtered, in stream order.
class FilterQueue {
public:
    // Parses one filter record (the flags byte and the record after it) met
    // at stream position pos. false: the record is damaged or names an
    // unknown program.
    bool add(unsigned flags, const std::uint8_t *record, std::size_t size, std::uint64_t pos);
    void reset();       // a new stream: no definitions, nothing pending
    void dropPending(); // a new member: blocks never reach across members

    bool empty() const { return m_pending.empty(); }
    const PendingFilter &front() const { return m_pending.front(); }
    void pop() { m_pending.pop_front(); }

private:
    struct Definition {
        FilterKind kind;
        std::uint32_t lastLength;
    };
    std::vector<Definition> m_definitions;
    std::deque<PendingFilter> m_pending;
    std::size_t m_lastIndex = 0;
};

} // namespace unrar::rar29
