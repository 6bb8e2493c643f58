// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 5's LZ method (RAR 5.0 to 7.x): byte-aligned blocks, each with a
// small header and optionally new prefix codes, holding literals, matches
// (with four recent distances and the last length), and filter records
// whose blocks are transformed on the way out.
#include "bit_input.h"
#include "huffman.h"
#include "rar50_output.h"
#include "rar50_window.h"
#include "unpacker.h"

#include <algorithm>
#include <array>

namespace unrar {
namespace {

constexpr unsigned kLevelSymbols = 20;
constexpr unsigned kMainSymbols = 306; // literals, filter, repeat, 4 recent distances, 44 length slots
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kDistanceSymbolsRar7 = 80; // RAR 7 reaches past 4 GiB
constexpr unsigned kAlignSymbols = 16;
constexpr unsigned kLengthSymbols = 44;
constexpr unsigned kMaxTableSymbols = kMainSymbols + kDistanceSymbolsRar7 + kAlignSymbols + kLengthSymbols;
// Decoded bytes are handed on in chunks of this size (or half the ring).
constexpr std::size_t kFlushChunk = 1u << 20;

class Rar50Unpacker final : public Unpacker {
public:
    explicit Rar50Unpacker(bool rar7)
        : m_distanceSymbols(rar7 ? kDistanceSymbolsRar7 : kDistanceSymbols)
    {
    }

    UnpackResult unpack(PackedInput &input, ByteSink &out, const UnpackJob &job) override;

private:
    struct Block {
        std::uint64_t endBit;   // stream bit just past the block's last valid bit
        std::uint64_t nextByte; // where the next block header starts
        bool last;
        bool tables;
    };
    enum class Outcome { MemberDone, BlockDone, BadData, Stopped };

    static bool readBlockHeader(BitInput &in, Block &block);
    bool readTables(BitInput &in);
    bool readFilter(BitInput &in, std::uint64_t at);
    std::uint64_t readDistance(BitInput &in) const;
    Outcome decode(BitInput &in, const Block &block, std::uint64_t memberEnd);
    bool flush();

    const unsigned m_distanceSymbols;
    Rar50Window m_window;
    Rar50Output m_output;
    HuffmanCode m_main;
    HuffmanCode m_distance;
    HuffmanCode m_align;  // low four bits of long distances
    HuffmanCode m_length; // length slots after a recent distance
    bool m_haveTables = false;
    std::array<std::uint64_t, 4> m_recent{};
    std::uint32_t m_lastLength = 0;
    std::uint64_t m_dictionary = 0;
};

std::uint32_t lengthFromSlot(BitInput &in, unsigned slot)
{
    if (slot < 8)
        return slot + 2;
    const unsigned extra = slot / 4 - 1;
    return ((4u | (slot & 3)) << extra) + 2 + in.bits(extra);
}

// Bits up to the next byte boundary of the member's stream.
void alignToByte(BitInput &in)
{
    if (const unsigned rest = static_cast<unsigned>((8 - in.position() % 8) % 8))
        in.bits(rest);
}

bool Rar50Unpacker::readBlockHeader(BitInput &in, Block &block)
{
    alignToByte(in);
    const std::uint32_t flags = in.bits(8);
    const std::uint32_t check = in.bits(8);
    const unsigned sizeBytes = ((flags >> 3) & 3) + 1;
    if (sizeBytes == 4)
        return false;
    std::uint32_t size = 0;
    for (unsigned i = 0; i < sizeBytes; ++i)
        size |= in.bits(8) << (8 * i);
    if (check != ((0x5A ^ flags ^ size ^ (size >> 8) ^ (size >> 16)) & 0xFF) || in.overrun())
        return false;
    const std::uint64_t start = in.position() / 8;
    block.nextByte = start + size;
    block.endBit = 8 * (block.nextByte - 1) + (flags & 7) + 1;
    block.last = (flags & 0x40) != 0;
    block.tables = (flags & 0x80) != 0;
    return true;
}

bool Rar50Unpacker::readTables(BitInput &in)
{
    // First the code lengths of the code that codes the lengths; 15 with a
    // count runs zeros.
    std::array<std::uint8_t, kLevelSymbols> levels{};
    for (unsigned i = 0; i < kLevelSymbols;) {
        const std::uint32_t length = in.bits(4);
        if (length != 15) {
            levels[i++] = static_cast<std::uint8_t>(length);
            continue;
        }
        const std::uint32_t zeros = in.bits(4);
        if (zeros == 0) {
            levels[i++] = 15;
            continue;
        }
        for (std::uint32_t n = zeros + 2; n && i < kLevelSymbols; --n)
            levels[i++] = 0;
    }
    HuffmanCode levelCode;
    levelCode.build(levels.data(), kLevelSymbols);

    const unsigned count = kMainSymbols + m_distanceSymbols + kAlignSymbols + kLengthSymbols;
    std::array<std::uint8_t, kMaxTableSymbols> lengths{};
    for (unsigned i = 0; i < count;) {
        const unsigned symbol = levelCode.decode(in);
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        const bool shortRun = symbol == 16 || symbol == 18;
        std::uint32_t run = shortRun ? in.bits(3) + 3 : in.bits(7) + 11;
        if (symbol < 18) {
            if (i == 0) // nothing to repeat
                return false;
            for (; run && i < count; --run, ++i)
                lengths[i] = lengths[i - 1];
        } else {
            for (; run && i < count; --run)
                lengths[i++] = 0;
        }
    }
    if (in.overrun())
        return false;
    const std::uint8_t *next = lengths.data();
    m_main.build(next, kMainSymbols);
    m_distance.build(next += kMainSymbols, m_distanceSymbols);
    m_align.build(next += m_distanceSymbols, kAlignSymbols);
    m_length.build(next + kAlignSymbols, kLengthSymbols);
    m_haveTables = true;
    return true;
}

bool Rar50Unpacker::readFilter(BitInput &in, std::uint64_t at)
{
    const auto number = [&in] {
        const unsigned bytes = in.bits(2) + 1;
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value |= in.bits(8) << (8 * i);
        return value;
    };
    const std::uint32_t start = number();
    std::uint32_t length = number();
    const std::uint32_t type = in.bits(3);
    const unsigned channels = type == 0 ? in.bits(5) + 1 : 1;
    if (in.overrun() || type > static_cast<unsigned>(Rar50Output::FilterType::Arm))
        return false;
    // The archiver never writes a longer block; RAR ignores such a filter.
    if (length > Rar50Output::kMaxFilterBlock)
        length = 0;
    return m_output.addFilter(static_cast<Rar50Output::FilterType>(type), channels, at + start, length);
}

std::uint64_t Rar50Unpacker::readDistance(BitInput &in) const
{
    const unsigned slot = m_distance.decode(in);
    if (slot < 4)
        return slot + 1;
    const unsigned extra = slot / 2 - 1;
    std::uint64_t distance = (std::uint64_t(2 | (slot & 1)) << extra) + 1;
    if (extra < 4)
        return distance + in.bits(extra);
    if (extra > 4) {
        unsigned middle = extra - 4;
        if (middle > 32) { // RAR 7's longest distances
            distance += std::uint64_t(in.bits(middle - 32)) << 36;
            middle = 32;
        }
        distance += std::uint64_t(in.bits(middle)) << 4;
    }
    return distance + m_align.decode(in);
}

Rar50Unpacker::Outcome Rar50Unpacker::decode(BitInput &in, const Block &block, std::uint64_t memberEnd)
{
    // The hot loop keeps the window's state in locals: stores through the
    // byte pointer could otherwise alias it.
    std::uint8_t *const win = m_window.data();
    const std::size_t size = m_window.size();
    const std::uint64_t maxDistance = m_window.maxDistance();
    const std::size_t chunk = std::min(kFlushChunk, size / 2);
    std::size_t wp = m_window.pos;
    std::uint64_t total = m_window.total;
    const auto save = [&] {
        m_window.pos = wp;
        m_window.total = total;
    };
    for (;;) {
        const std::uint64_t limit = std::min(memberEnd, m_window.flushed + chunk);
        while (total < limit) {
            if (in.position() >= block.endBit) {
                save();
                return Outcome::BlockDone;
            }
            const unsigned symbol = m_main.decode(in);
            if (symbol < 256) {
                win[wp] = static_cast<std::uint8_t>(symbol);
                if (++wp == size)
                    wp = 0;
                ++total;
                continue;
            }
            std::uint64_t distance;
            std::uint32_t length;
            if (symbol >= 262) {
                length = lengthFromSlot(in, symbol - 262);
                distance = readDistance(in);
                length += (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
                m_recent = {distance, m_recent[0], m_recent[1], m_recent[2]};
                m_lastLength = length;
            } else if (symbol == 256) {
                if (!readFilter(in, total))
                    return Outcome::BadData;
                continue;
            } else if (symbol == 257) {
                if (m_lastLength == 0) {
                    if (in.overrun())
                        return Outcome::BadData;
                    continue;
                }
                length = m_lastLength;
                distance = m_recent[0];
            } else {
                const unsigned index = symbol - 258;
                distance = m_recent[index];
                for (unsigned i = index; i > 0; --i)
                    m_recent[i] = m_recent[i - 1];
                m_recent[0] = distance;
                length = lengthFromSlot(in, m_length.decode(in));
                m_lastLength = length;
            }
            // Never before the stream's first byte, never beyond the ring.
            if (distance - 1 >= std::min(total, maxDistance))
                return Outcome::BadData;
            wp = Rar50Window::copyMatch(win, size, wp, static_cast<std::size_t>(distance), length);
            total += length;
        }
        save();
        if (in.overrun())
            return Outcome::BadData;
        if (!flush())
            return Outcome::Stopped;
        if (total >= memberEnd)
            return Outcome::MemberDone;
    }
}

bool Rar50Unpacker::flush()
{
    const std::size_t size = m_window.size();
    const auto pending = static_cast<std::size_t>(m_window.total - m_window.flushed);
    const std::size_t from = m_window.pos >= pending ? m_window.pos - pending : m_window.pos + size - pending;
    const std::size_t first = std::min(pending, size - from);
    m_window.flushed = m_window.total;
    return m_output.write(m_window.data() + from, first) && m_output.write(m_window.data(), pending - first);
}

UnpackResult Rar50Unpacker::unpack(PackedInput &input, ByteSink &out, const UnpackJob &job)
{
    if (!job.solid) {
        m_haveTables = false;
        m_recent = {};
        m_lastLength = 0;
        m_dictionary = 0;
    }
    // Look-back never exceeds the dictionary nor the stream so far.
    m_dictionary = std::max(m_dictionary, job.dictionary);
    const std::uint64_t before = job.solid ? m_window.total : 0;
    const std::uint64_t history = job.size < m_dictionary && before < m_dictionary - job.size ? before + job.size
                                                                                              : m_dictionary;
    m_window.prepare(history, job.solid);
    if (job.size == 0)
        return UnpackResult::Ok;

    const std::uint64_t memberStart = m_window.total;
    const std::uint64_t memberEnd = memberStart + std::min<std::uint64_t>(job.size, UINT64_MAX / 2);
    m_output.startMember(out, memberStart, memberEnd);
    BitInput in(input);
    for (;;) {
        Block block;
        if (!readBlockHeader(in, block) || (block.tables && !readTables(in)) || !m_haveTables)
            return UnpackResult::BadData;
        switch (decode(in, block, memberEnd)) {
        case Outcome::MemberDone:
            return UnpackResult::Ok;
        case Outcome::Stopped:
            return UnpackResult::Stopped;
        case Outcome::BadData:
            return UnpackResult::BadData;
        case Outcome::BlockDone:
            break;
        }
        // A block ends exactly where its header said; the member's data
        // must not end before the member does.
        if (block.last || in.position() > 8 * block.nextByte || in.overrun())
            return UnpackResult::BadData;
    }
}

} // namespace

std::unique_ptr<Unpacker> makeRar50Unpacker(unsigned unpVer)
{
    return std::make_unique<Rar50Unpacker>(unpVer >= 70);
}

} // namespace unrar
