// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 1.5: an LZ77 whose literals, flag bytes and far distances are ranks in
// tables reordered by use, coded with fixed prefix codes chosen by running
// averages of what came before. Every adaptive quantity is part of the
// stream and carries over into solid members.
#include "bit_input.h"
#include "huffman.h"
#include "rar15_20_window.h"
#include "rar15_ranked_table.h"

#include <array>
#include <bit>
#include <utility>

namespace unrar {
namespace {

constexpr std::size_t kMaxDistance = 64 * 1024; // 0x8000 | 15 bits is the farthest

// The fixed codes are canonical; each is given as its number of codes of
// each length from 1 to 12 bits.
using LengthCounts = std::array<std::uint16_t, 13>;
constexpr std::array<LengthCounts, 5> kRankCounts{{
    {0, 0, 0, 0, 8, 8, 8, 9, 0, 0, 0, 0, 224},
    {0, 0, 0, 0, 0, 4, 40, 16, 16, 4, 0, 47, 130},
    {0, 0, 0, 0, 0, 2, 5, 46, 64, 116, 24, 0, 0},
    {0, 0, 0, 0, 0, 0, 2, 14, 202, 33, 6, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 255, 2, 0, 0, 0},
}};
constexpr LengthCounts kLengthCounts1{0, 0, 2, 1, 2, 2, 4, 5, 4, 4, 8, 0, 224};
constexpr LengthCounts kLengthCounts2{0, 0, 0, 5, 2, 2, 4, 5, 4, 4, 8, 2, 220};

HuffmanCode fixedCode(const LengthCounts &counts)
{
    std::array<std::uint8_t, 257> lengths{};
    unsigned symbol = 0;
    for (unsigned len = 1; len < counts.size(); ++len)
        for (unsigned i = 0; i < counts[len]; ++i)
            lengths[symbol++] = static_cast<std::uint8_t>(len);
    HuffmanCode code;
    code.build(lengths.data(), symbol);
    return code;
}

struct FixedCodes {
    std::array<HuffmanCode, 5> rank; // by how high the running average is
    HuffmanCode length1;
    HuffmanCode length2;
};

const FixedCodes &fixedCodes()
{
    static const FixedCodes codes = [] {
        FixedCodes c;
        for (std::size_t i = 0; i < c.rank.size(); ++i)
            c.rank[i] = fixedCode(kRankCounts[i]);
        c.length1 = fixedCode(kLengthCounts1);
        c.length2 = fixedCode(kLengthCounts2);
        return c;
    }();
    return codes;
}

// The short-match selector: prefix codes tried in order, each left-aligned
// in a byte. Two tables by the average selector; one entry in each grows
// by a bit while the stream's alternate-code switch is on.
struct ShortCode {
    std::uint8_t bits;
    std::uint8_t length;
};
constexpr std::array<ShortCode, 15> kShortLow{{{0x00, 1},
                                               {0xa0, 3},
                                               {0xd0, 4},
                                               {0xe0, 4},
                                               {0xf0, 5},
                                               {0xf8, 6},
                                               {0xfc, 7},
                                               {0xfe, 8},
                                               {0xff, 8},
                                               {0xc0, 4},
                                               {0x80, 4},
                                               {0x90, 5},
                                               {0x98, 6},
                                               {0x9c, 6},
                                               {0xb0, 4}}};
constexpr std::array<ShortCode, 15> kShortHigh{{{0x00, 2},
                                                {0x40, 3},
                                                {0x60, 3},
                                                {0xa0, 3},
                                                {0xd0, 4},
                                                {0xe0, 4},
                                                {0xf0, 5},
                                                {0xf8, 6},
                                                {0xfc, 6},
                                                {0xc0, 4},
                                                {0x80, 4},
                                                {0x90, 5},
                                                {0x98, 6},
                                                {0x9c, 6},
                                                {0xb0, 4}}};
constexpr unsigned kShortLowAlternate = 1;
constexpr unsigned kShortHighAlternate = 3;
constexpr unsigned kRepeatLast = 9;
constexpr unsigned kFarMatch = 14;

// A running average in fixed point: adds a sample, decays by 1/2^shift.
void average(unsigned &avg, unsigned sample, unsigned shift)
{
    avg += sample;
    avg -= avg >> shift;
}

class Rar15Unpacker final : public Unpacker {
public:
    Rar15Unpacker() { resetStream(); }
    UnpackResult unpack(PackedInput &in, ByteSink &out, const UnpackJob &job) override;

private:
    void resetStream();
    bool step(BitInput &in);
    bool flagBit(BitInput &in, bool &bit);
    bool literal(BitInput &in);
    bool storedEscape(BitInput &in);
    bool longMatch(BitInput &in);
    bool shortMatch(BitInput &in);
    bool remembered(std::uint32_t distance, std::uint32_t length);
    bool repeatLast() { return m_window.match(m_lastDistance, m_lastLength); }

    const FixedCodes &m_codes = fixedCodes();
    LzWindow m_window;

    // Carried through a solid stream.
    RankedTable m_literals;
    RankedTable m_farDistances;
    RankedTable m_flags;
    std::array<std::uint8_t, 256> m_nearDistances{}; // moved up one rank per use
    unsigned m_avgLiteral = 0;
    unsigned m_avgFarRank = 0;
    unsigned m_avgShortSelector = 0;
    unsigned m_avgLongLength = 0;
    unsigned m_avgLongNear = 0;
    unsigned m_literalWeight = 0; // literals vs long matches: decides the flag bits' meaning
    unsigned m_matchWeight = 0;
    unsigned m_farThreshold = 0; // distances from here on are long enough to cost a byte more
    unsigned m_literalRun = 0;
    bool m_alternateShortCodes = false;
    std::array<std::uint32_t, 4> m_oldDistances{};
    unsigned m_oldIndex = 0;
    std::uint32_t m_lastDistance = 0;
    std::uint32_t m_lastLength = 0;

    // Start again with each member.
    unsigned m_flagByte = 0;
    unsigned m_flagsLeft = 0;
    bool m_literalMode = false; // runs of literals without flag bits
    unsigned m_repeatCount = 0;
};

void Rar15Unpacker::resetStream()
{
    m_literals.reset([](unsigned i) { return i; }, false);
    m_farDistances.reset([](unsigned i) { return i; }, true);
    m_flags.reset([](unsigned i) { return (256 - i) & 0xff; }, false);
    for (unsigned i = 0; i < 256; ++i)
        m_nearDistances[i] = static_cast<std::uint8_t>(i);
    m_avgLiteral = 0x3500;
    m_avgFarRank = m_avgShortSelector = m_avgLongLength = m_avgLongNear = 0;
    m_literalWeight = m_matchWeight = 0x80;
    m_farThreshold = 0x2001;
    m_literalRun = 0;
    m_alternateShortCodes = false;
    m_oldDistances.fill(0);
    m_oldIndex = 0;
    m_lastDistance = m_lastLength = 0;
}

UnpackResult Rar15Unpacker::unpack(PackedInput &in, ByteSink &out, const UnpackJob &job)
{
    if (!job.solid)
        resetStream();
    m_window.beginMember(job.size, kMaxDistance, job.solid);
    m_flagsLeft = 0;
    m_literalMode = false;
    m_repeatCount = 0;

    BitInput bits(in);
    const UnpackResult result = m_window.decodeMember(bits, out, [this](BitInput &b) { return step(b); });
    if (result != UnpackResult::Ok)
        return result;
    return m_window.flush(out) ? UnpackResult::Ok : UnpackResult::Stopped;
}

bool Rar15Unpacker::step(BitInput &in)
{
    if (m_literalMode)
        return literal(in);
    // One flag bit for the kind the weights expect, a second for the other
    // kind or a short match.
    const bool expectMatch = m_matchWeight > m_literalWeight;
    bool bit = false;
    if (!flagBit(in, bit))
        return false;
    if (bit)
        return expectMatch ? longMatch(in) : literal(in);
    if (!flagBit(in, bit))
        return false;
    if (bit)
        return expectMatch ? literal(in) : longMatch(in);
    return shortMatch(in);
}

bool Rar15Unpacker::flagBit(BitInput &in, bool &bit)
{
    if (m_flagsLeft == 0) {
        const unsigned rank = m_codes.rank[2].decode(in);
        if (rank > 0xff)
            return false;
        m_flagByte = m_flags.take(rank, 0xff);
        m_flagsLeft = 8;
    }
    --m_flagsLeft;
    bit = (m_flagByte >> m_flagsLeft) & 1;
    return true;
}

bool Rar15Unpacker::literal(BitInput &in)
{
    const unsigned table = m_avgLiteral > 0x75ff ? 4
        : m_avgLiteral > 0x5dff                  ? 3
        : m_avgLiteral > 0x35ff                  ? 2
        : m_avgLiteral > 0x0dff                  ? 1
                                                 : 0;
    const unsigned symbol = m_codes.rank[table].decode(in);
    unsigned rank = 0;
    if (m_literalMode) {
        // Symbol 0 escapes: end of the run, or a tiny match.
        if (symbol == 0)
            return storedEscape(in);
        rank = symbol - 1;
    } else {
        rank = symbol & 0xff;
        // A long run of literals that ends a flag byte switches to literals without flags.
        if (m_literalRun++ >= 16 && m_flagsLeft == 0)
            m_literalMode = true;
    }
    average(m_avgLiteral, rank, 8);
    m_literalWeight += 16;
    if (m_literalWeight > 0xff) {
        m_literalWeight = 0x90;
        m_matchWeight >>= 1;
    }
    m_window.literal(static_cast<std::uint8_t>(m_literals.take(rank, 0xa1)));
    return true;
}

bool Rar15Unpacker::storedEscape(BitInput &in)
{
    if (in.bits(1)) {
        m_literalMode = false;
        m_literalRun = 0;
        return true;
    }
    const std::uint32_t length = in.bits(1) ? 4 : 3;
    const std::uint32_t high = m_codes.rank[2].decode(in);
    return m_window.match((high << 5) | in.bits(5), length);
}

bool Rar15Unpacker::longMatch(BitInput &in)
{
    m_literalRun = 0;
    m_matchWeight += 16;
    if (m_matchWeight > 0xff) {
        m_matchWeight = 0x90;
        m_literalWeight >>= 1;
    }

    const unsigned oldAvgLength = m_avgLongLength;
    std::uint32_t length = 0;
    if (m_avgLongLength >= 122) {
        length = m_codes.length2.decode(in);
    } else if (m_avgLongLength >= 64) {
        length = m_codes.length1.decode(in);
    } else {
        // Unary up to seven zeros; eight zeros then the length in a byte.
        const std::uint32_t field = in.peek(16);
        if (field < 0x100) {
            length = field;
            in.skip(16);
        } else {
            length = static_cast<std::uint32_t>(std::countl_zero(static_cast<std::uint16_t>(field)));
            in.skip(length + 1);
        }
    }
    average(m_avgLongLength, length, 5);

    const unsigned table = m_avgFarRank > 0x28ff ? 2 : m_avgFarRank > 0x6ff ? 1 : 0;
    const unsigned rank = m_codes.rank[table].decode(in);
    average(m_avgFarRank, rank, 8);
    const std::uint32_t distance = (m_farDistances.take(rank & 0xff, 0xff) << 7) | in.bits(7);

    const unsigned oldAvgNear = m_avgLongNear;
    if (length == 0 && distance <= m_farThreshold) {
        average(m_avgLongNear, 1, 8);
    } else if (length != 1 && length != 4 && m_avgLongNear > 0) {
        --m_avgLongNear;
    }
    length += 3;
    if (distance >= m_farThreshold)
        ++length;
    if (distance <= 256)
        length += 8;
    m_farThreshold = oldAvgNear > 0xb0 || (m_avgLiteral >= 0x2a00 && oldAvgLength < 0x40) ? 0x7f00 : 0x2001;
    return remembered(distance, length);
}

bool Rar15Unpacker::shortMatch(BitInput &in)
{
    m_literalRun = 0;
    if (m_repeatCount == 2) {
        // After two repeats a bit says whether a third follows.
        if (in.bits(1))
            return repeatLast();
        m_repeatCount = 0;
    }

    const bool high = m_avgShortSelector >= 37;
    const auto &codes = high ? kShortHigh : kShortLow;
    const unsigned alternate = high ? kShortHighAlternate : kShortLowAlternate;
    const std::uint32_t byte = in.peek(8);
    unsigned selector = 0;
    unsigned codeLength = 0;
    for (; selector < codes.size(); ++selector) {
        codeLength = codes[selector].length + (selector == alternate && m_alternateShortCodes ? 1 : 0);
        if (((byte ^ codes[selector].bits) >> (8 - codeLength)) == 0)
            break;
    }
    if (selector == codes.size())
        return false; // both tables are complete; kept for safety
    in.skip(codeLength);

    if (selector == kRepeatLast) {
        ++m_repeatCount;
        return repeatLast();
    }
    m_repeatCount = 0;
    if (selector == kFarMatch) {
        m_lastLength = m_codes.length2.decode(in) + 5;
        m_lastDistance = in.bits(15) | 0x8000;
        return repeatLast();
    }
    if (selector > kRepeatLast) {
        const std::uint32_t distance = m_oldDistances[(m_oldIndex - (selector - kRepeatLast)) & 3];
        std::uint32_t length = m_codes.length1.decode(in) + 2;
        if (length == 0x101 && selector == kRepeatLast + 1) {
            m_alternateShortCodes = !m_alternateShortCodes;
            return true;
        }
        if (distance > 256)
            ++length;
        if (distance >= m_farThreshold)
            ++length;
        return remembered(distance, length);
    }

    average(m_avgShortSelector, selector, 4);
    const unsigned rank = m_codes.rank[2].decode(in) & 0xff;
    const std::uint32_t distance = m_nearDistances[rank] + 1u;
    if (rank > 0)
        std::swap(m_nearDistances[rank - 1], m_nearDistances[rank]);
    return remembered(distance, selector + 2);
}

bool Rar15Unpacker::remembered(std::uint32_t distance, std::uint32_t length)
{
    m_oldDistances[m_oldIndex] = distance;
    m_oldIndex = (m_oldIndex + 1) & 3;
    m_lastDistance = distance;
    m_lastLength = length;
    return m_window.match(distance, length);
}

} // namespace

std::unique_ptr<Unpacker> makeRar15Unpacker()
{
    return std::make_unique<Rar15Unpacker>();
}

} // namespace unrar
