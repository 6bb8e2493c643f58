// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.0 and 2.6: LZ77 with canonical prefix codes sent as length deltas
// against the previous tables, or multimedia blocks of predicted bytes for
// up to four interleaved channels. Tables, old distances and the
// predictors carry over into solid members; new tables for the next solid
// member may follow the end of this one's data.
#include "bit_input.h"
#include "huffman.h"
#include "rar15_20_window.h"
#include "rar20_audio.h"

#include <algorithm>
#include <array>

namespace unrar {
namespace {

constexpr std::size_t kMaxDistance = 1024 * 1024; // the last distance slot reaches exactly this far

constexpr unsigned kMainSymbols = 298;
constexpr unsigned kDistanceSymbols = 48;
constexpr unsigned kRepeatSymbols = 28;
constexpr unsigned kLzTableSize = kMainSymbols + kDistanceSymbols + kRepeatSymbols;
constexpr unsigned kAudioSymbols = 257;
constexpr unsigned kMaxChannels = 4;
constexpr unsigned kPreSymbols = 19;

// Main code symbols past the literals.
constexpr unsigned kRepeatLast = 256;
constexpr unsigned kOldDistance = 257;   // to 260
constexpr unsigned kShortDistance = 261; // to 268
constexpr unsigned kNewTables = 269;
constexpr unsigned kLongMatch = 270;
constexpr unsigned kAudioNewTables = 256;

// A slot's base value and the number of extra bits after it.
struct Slot {
    std::uint32_t base;
    std::uint8_t bits;
};

constexpr std::array<Slot, 28> kLengthSlots = [] {
    std::array<Slot, 28> slots{};
    std::uint32_t base = 0;
    for (unsigned i = 0; i < slots.size(); ++i) {
        const std::uint8_t bits = static_cast<std::uint8_t>(i < 8 ? 0 : i / 4 - 1);
        slots[i] = {base, bits};
        base += 1u << bits;
    }
    return slots;
}();

constexpr std::array<Slot, 48> kDistanceSlots = [] {
    std::array<Slot, 48> slots{};
    std::uint32_t base = 0;
    for (unsigned i = 0; i < slots.size(); ++i) {
        const std::uint8_t bits = static_cast<std::uint8_t>(i < 4 ? 0 : std::min(i / 2 - 1, 16u));
        slots[i] = {base, bits};
        base += 1u << bits;
    }
    return slots;
}();

constexpr std::array<Slot, 8> kShortDistanceSlots{
    {{0, 2}, {4, 2}, {8, 3}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}}};

static_assert(kLengthSlots[27].base == 224 && kDistanceSlots[47].base == 983040);
static_assert(kDistanceSlots[47].base + (1u << 16) == kMaxDistance);

std::uint32_t slotValue(BitInput &in, const Slot &slot)
{
    return slot.base + (slot.bits ? in.bits(slot.bits) : 0);
}

class Rar20Unpacker final : public Unpacker {
public:
    Rar20Unpacker() { resetStream(); }
    UnpackResult unpack(PackedInput &in, ByteSink &out, const UnpackJob &job) override;

private:
    void resetStream();
    bool readTables(BitInput &in);
    bool step(BitInput &in);
    bool lzMatch(BitInput &in, unsigned symbol);
    void readTablesAfterEnd(BitInput &in);
    bool copy(std::uint32_t distance, std::uint32_t length);

    LzWindow m_window;

    // Carried through a solid stream.
    HuffmanCode m_main;
    HuffmanCode m_distance;
    HuffmanCode m_repeat;
    std::array<HuffmanCode, kMaxChannels> m_audioCode;
    std::array<std::uint8_t, kAudioSymbols * kMaxChannels> m_lengths{}; // new tables are sent as deltas to these
    bool m_haveTables = false;
    bool m_audio = false;
    unsigned m_channels = 1;
    unsigned m_channel = 0;
    int m_crossDelta = 0;
    std::array<Rar20AudioChannel, kMaxChannels> m_audioChannels{};
    std::array<std::uint32_t, 4> m_oldDistances{};
    unsigned m_oldIndex = 0;
    std::uint32_t m_lastDistance = 0;
    std::uint32_t m_lastLength = 0;
    bool m_brokenTail = false; // tables after the last member's end did not read
};

void Rar20Unpacker::resetStream()
{
    m_lengths.fill(0);
    m_haveTables = false;
    m_audio = false;
    m_channels = 1;
    m_channel = 0;
    m_crossDelta = 0;
    m_audioChannels.fill({});
    m_oldDistances.fill(0);
    m_oldIndex = 0;
    m_lastDistance = m_lastLength = 0;
    m_brokenTail = false;
}

UnpackResult Rar20Unpacker::unpack(PackedInput &in, ByteSink &out, const UnpackJob &job)
{
    if (!job.solid)
        resetStream();
    else if (m_brokenTail)
        return UnpackResult::BadData;
    m_window.beginMember(job.size, kMaxDistance, job.solid);
    if (job.size == 0)
        return UnpackResult::Ok; // nothing to read tables from

    BitInput bits(in);
    if (!m_haveTables && !readTables(bits))
        return UnpackResult::BadData;
    const UnpackResult result = m_window.decodeMember(bits, out, [this](BitInput &b) { return step(b); });
    if (result != UnpackResult::Ok)
        return result;
    readTablesAfterEnd(bits);
    return m_window.flush(out) ? UnpackResult::Ok : UnpackResult::Stopped;
}

bool Rar20Unpacker::readTables(BitInput &in)
{
    m_haveTables = false;
    m_audio = in.bits(1) != 0;
    if (!in.bits(1))
        m_lengths.fill(0);
    unsigned count = kLzTableSize;
    if (m_audio) {
        m_channels = in.bits(2) + 1;
        if (m_channel >= m_channels)
            m_channel = 0;
        count = kAudioSymbols * m_channels;
    }

    std::array<std::uint8_t, kPreSymbols> preLengths{};
    for (auto &len : preLengths)
        len = static_cast<std::uint8_t>(in.bits(4));
    HuffmanCode pre;
    pre.build(preLengths.data(), kPreSymbols);

    // 0-15 add to the old length, 16 repeats the previous new one, 17 and
    // 18 are runs of zeros.
    std::array<std::uint8_t, kAudioSymbols * kMaxChannels> lengths{};
    for (unsigned i = 0; i < count;) {
        if (in.overrun())
            return false;
        const unsigned symbol = pre.decode(in);
        if (symbol < 16) {
            lengths[i] = static_cast<std::uint8_t>((m_lengths[i] + symbol) & 0xf);
            ++i;
            continue;
        }
        if (symbol == 16 && i == 0)
            return false;
        const unsigned run = symbol == 16 ? in.bits(2) + 3 : symbol == 17 ? in.bits(3) + 3 : in.bits(7) + 11;
        const std::uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
        for (const unsigned end = std::min(count, i + run); i < end; ++i)
            lengths[i] = value;
    }
    if (in.overrun())
        return false;

    std::copy_n(lengths.begin(), count, m_lengths.begin());
    if (m_audio) {
        for (unsigned c = 0; c < m_channels; ++c)
            m_audioCode[c].build(&lengths[c * kAudioSymbols], kAudioSymbols);
    } else {
        m_main.build(&lengths[0], kMainSymbols);
        m_distance.build(&lengths[kMainSymbols], kDistanceSymbols);
        m_repeat.build(&lengths[kMainSymbols + kDistanceSymbols], kRepeatSymbols);
    }
    m_haveTables = true;
    return true;
}

bool Rar20Unpacker::step(BitInput &in)
{
    if (m_audio) {
        const unsigned symbol = m_audioCode[m_channel].decode(in);
        if (symbol == kAudioNewTables)
            return readTables(in);
        m_window.literal(m_audioChannels[m_channel].decode(symbol, m_crossDelta));
        if (++m_channel == m_channels)
            m_channel = 0;
        return true;
    }
    const unsigned symbol = m_main.decode(in);
    if (symbol < 256) {
        m_window.literal(static_cast<std::uint8_t>(symbol));
        return true;
    }
    if (symbol == kNewTables)
        return readTables(in);
    return lzMatch(in, symbol);
}

bool Rar20Unpacker::lzMatch(BitInput &in, unsigned symbol)
{
    if (symbol >= kLongMatch) {
        std::uint32_t length = slotValue(in, kLengthSlots[symbol - kLongMatch]) + 3;
        const unsigned slot = m_distance.decode(in);
        if (slot >= kDistanceSlots.size())
            return false;
        const std::uint32_t distance = slotValue(in, kDistanceSlots[slot]) + 1;
        length += (distance >= 0x2000) + (distance >= 0x40000);
        return copy(distance, length);
    }
    if (symbol >= kShortDistance)
        return copy(slotValue(in, kShortDistanceSlots[symbol - kShortDistance]) + 1, 2);
    if (symbol >= kOldDistance) {
        const std::uint32_t distance = m_oldDistances[(m_oldIndex - (symbol - kRepeatLast)) & 3];
        const unsigned slot = m_repeat.decode(in);
        if (slot >= kLengthSlots.size())
            return false;
        std::uint32_t length = slotValue(in, kLengthSlots[slot]) + 2;
        length += (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
        return copy(distance, length);
    }
    return copy(m_lastDistance, m_lastLength);
}

bool Rar20Unpacker::copy(std::uint32_t distance, std::uint32_t length)
{
    m_oldDistances[m_oldIndex] = distance;
    m_oldIndex = (m_oldIndex + 1) & 3;
    m_lastDistance = distance;
    m_lastLength = length;
    return m_window.match(distance, length);
}

void Rar20Unpacker::readTablesAfterEnd(BitInput &in)
{
    // The archiver may send the next solid member's tables right after
    // this member's last symbol, when at least five bytes of data remain
    // from the current one.
    if (!in.hasBits(40 - static_cast<unsigned>(in.position() % 8)))
        return;
    const unsigned symbol = m_audio ? m_audioCode[m_channel].decode(in) : m_main.decode(in);
    if (symbol == (m_audio ? kAudioNewTables : kNewTables) && !readTables(in))
        m_brokenTail = true;
}

} // namespace

std::unique_ptr<Unpacker> makeRar20Unpacker()
{
    return std::make_unique<Rar20Unpacker>();
}

} // namespace unrar
