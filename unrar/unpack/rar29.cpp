// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.9/3.x compression (unpack versions 29 and 36): LZ blocks with four
// prefix codes, PPMd blocks, and filters over blocks of the output. One
// stream runs through all members of a solid archive.
#include "bit_input.h"
#include "huffman.h"
#include "ppmd_h.h"
#include "rar29_filters.h"
#include "ring.h"
#include "unpacker.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace unrar {
namespace {

using rar29::FilterQueue;
using rar29::PendingFilter;

// RAR 2.9's largest dictionary; no distance it can code reaches further.
constexpr std::size_t kMaxWindow = std::size_t(4) << 20;
constexpr std::size_t kMinWindow = std::size_t(64) << 10;
// The longest copy one symbol makes (a PPMd block's match: 255 + 32), so
// the window always has room for the next symbol without overwriting
// bytes not yet written out.
constexpr std::size_t kMaxMatch = 288;

constexpr unsigned kMainSymbols = 299;
constexpr unsigned kDistanceSymbols = 60;
constexpr unsigned kLowDistanceSymbols = 17;
constexpr unsigned kLengthSymbols = 28;
constexpr unsigned kTableSize = kMainSymbols + kDistanceSymbols + kLowDistanceSymbols + kLengthSymbols;
constexpr unsigned kLevelSymbols = 20;

constexpr std::array<std::uint8_t, kLengthSymbols> kLengthBase = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::array<std::uint8_t, kLengthSymbols> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                                  2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<std::uint8_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::array<std::uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceSlots {
    std::array<std::uint32_t, kDistanceSymbols> base{};
    std::array<std::uint8_t, kDistanceSymbols> bits{};
};

// Slots per extra-bit count: four without, two for each of 1 to 15 bits,
// fourteen of 16 bits and twelve of 18 bits (up to 4 MiB).
constexpr DistanceSlots makeDistanceSlots()
{
    constexpr std::array<std::uint8_t, 19> slotsPerBits = {4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 14, 0, 12};
    DistanceSlots d;
    std::uint32_t base = 0;
    unsigned slot = 0;
    for (unsigned bits = 0; bits < slotsPerBits.size(); ++bits) {
        for (unsigned i = 0; i < slotsPerBits[bits]; ++i, ++slot) {
            d.base[slot] = base;
            d.bits[slot] = static_cast<std::uint8_t>(bits);
            base += 1u << bits;
        }
    }
    return d;
}
constexpr DistanceSlots kDistance = makeDistanceSlots();

// Tells whether a member has any packed bytes at all.
class CountingInput final : public PackedInput {
public:
    explicit CountingInput(PackedInput &in)
        : m_in(in)
    {
    }
    std::size_t read(std::uint8_t *dst, std::size_t n) override
    {
        const std::size_t got = m_in.read(dst, n);
        m_count += got;
        return got;
    }
    std::uint64_t count() const { return m_count; }

private:
    PackedInput &m_in;
    std::uint64_t m_count = 0;
};

// The window's bytes are char8_t, a type other objects are never accessed
// through: stores into the window then cannot alias the bit reader's or the
// decoder's state, and the compiler keeps those in registers.
using WindowByte = char8_t;

enum class Step {
    More,    // carry on decoding
    EndMark, // the stream marked the end of the member
    Bad,
    Stopped,
};

// Copies a match inside the ring window. The caller has made sure that the
// distance stays inside what the stream has produced and the window holds.
inline void copyMatch(WindowByte *win, std::size_t mask, std::uint64_t pos, std::uint32_t dist, std::uint32_t len)
{
    const std::size_t dst = pos & mask;
    const std::size_t src = (pos - dist) & mask;
    if (dst + len > mask + 1 || src + len > mask + 1) {
        for (std::uint32_t i = 0; i < len; ++i)
            win[(dst + i) & mask] = win[(src + i) & mask];
        return;
    }
    WindowByte *d = win + dst;
    const WindowByte *s = win + src;
    const std::size_t gap = dst > src ? dst - src : src - dst;
    if (gap >= len && len <= 16) {
        // Short and apart, the most common: two fixed-size copies that may
        // overlap each other.
        if (len >= 8) {
            std::memcpy(d, s, 8);
            std::memcpy(d + len - 8, s + len - 8, 8);
        } else if (len >= 4) {
            std::memcpy(d, s, 4);
            std::memcpy(d + len - 4, s + len - 4, 4);
        } else {
            for (std::uint32_t i = 0; i < len; ++i)
                d[i] = s[i];
        }
    } else if (gap >= 16) {
        // 16-byte steps: with the copies at least 16 apart, each step reads
        // bytes that are final (or not yet overwritten).
        std::uint32_t i = 0;
        for (; i + 16 < len; i += 16)
            std::memcpy(d + i, s + i, 16);
        std::memcpy(d + len - 16, s + len - 16, 16);
    } else if (dist == 1) {
        std::memset(d, static_cast<int>(*s), len);
    } else if (src > dst) {
        std::memmove(d, s, len);
    } else {
        // Overlapping forwards, the output repeats with period dist: each
        // step copies all that is final so far, doubling it.
        for (std::uint32_t done = 0; done < len;) {
            const std::uint32_t n = std::min(done + dist, len - done);
            std::memcpy(d + done, s, n);
            done += n;
        }
    }
}

class Rar29Unpacker final : public Unpacker {
public:
    UnpackResult unpack(PackedInput &in, ByteSink &out, const UnpackJob &job) override;

private:
    void startStream();
    void sizeWindow(std::uint64_t memberSize, bool solid);
    bool readTables(BitInput &in);
    bool readLzTables(BitInput &in);
    bool readPpmHeader(BitInput &in);
    bool readFilter(BitInput &in);
    bool readPpmFilter(BitInput &in);
    Step decodeLz(BitInput &in);
    Step decodePpm(BitInput &in);
    void readEndMark(BitInput &in);
    bool distanceFits(std::uint64_t pos, std::uint32_t dist) const
    {
        return dist != 0 && dist <= pos && dist <= m_window.size();
    }
    void insertOldDistance(std::uint32_t dist)
    {
        m_oldDist[3] = m_oldDist[2];
        m_oldDist[2] = m_oldDist[1];
        m_oldDist[1] = m_oldDist[0];
        m_oldDist[0] = dist;
    }

    Step makeRoom(BitInput &in, std::uint64_t pos);
    Step flush(std::uint64_t upTo);
    Step runFilters();
    bool emit(std::uint64_t from, const std::uint8_t *data, std::uint64_t size);
    bool emitWindow(std::uint64_t from, std::uint64_t to);

    // The stream, kept across the members of a solid archive.
    Ring<WindowByte> m_window;
    std::uint64_t m_pos = 0;                          // bytes decoded since the stream began
    std::uint64_t m_written = 0;                      // of those, bytes passed on (or skipped past a member's end)
    std::array<std::uint8_t, kTableSize> m_lengths{}; // the last code lengths, the base of the next ones
    HuffmanCode m_mainCode;
    HuffmanCode m_distanceCode;
    HuffmanCode m_lowDistanceCode;
    HuffmanCode m_lengthCode;
    bool m_tablesRead = false; // a solid member may start without tables
    std::array<std::uint32_t, 4> m_oldDist{};
    std::uint32_t m_lastLength = 0;
    std::uint32_t m_prevLowDist = 0;
    unsigned m_lowDistRepeats = 0;
    bool m_ppmBlock = false;
    bool m_ppmStarted = false; // this stream has started a model
    int m_ppmEscape = 2;
    std::unique_ptr<PpmdH> m_ppm;
    FilterQueue m_filters;

    // Scratch space.
    std::vector<std::uint8_t> m_filterMemory;
    std::vector<std::uint8_t> m_record;

    // The member being unpacked.
    ByteSink *m_out = nullptr;
    std::uint64_t m_memberStart = 0;
    std::uint64_t m_memberEnd = 0;
};

void Rar29Unpacker::startStream()
{
    m_pos = m_written = 0;
    m_lengths.fill(0);
    m_tablesRead = false;
    m_oldDist.fill(0);
    m_lastLength = 0;
    m_prevLowDist = 0;
    m_lowDistRepeats = 0;
    m_ppmBlock = false;
    m_ppmStarted = false;
    m_ppmEscape = 2;
    m_filters.reset();
}

// The window holds the stream up to the member's end (and the slack of one
// match past it), up to the largest dictionary; a solid member keeps what
// it holds.
void Rar29Unpacker::sizeWindow(std::uint64_t memberSize, bool solid)
{
    const std::uint64_t reach = m_pos + std::min<std::uint64_t>(memberSize, kMaxWindow) + 2 * kMaxMatch;
    const std::size_t want = reach < kMaxWindow ? std::max(kMinWindow, std::bit_ceil(static_cast<std::size_t>(reach)))
                                                : kMaxWindow;
    m_window.fit(want, solid, m_pos);
}

UnpackResult Rar29Unpacker::unpack(PackedInput &input, ByteSink &out, const UnpackJob &job)
{
    if (!job.solid || m_window.empty())
        startStream();
    sizeWindow(job.size, job.solid);
    if (job.size > std::numeric_limits<std::uint64_t>::max() / 2 - m_pos)
        return UnpackResult::BadData;
    m_out = &out;
    m_memberStart = m_pos;
    m_memberEnd = m_pos + job.size;
    m_filters.dropPending();

    CountingInput counted(input);
    BitInput in(counted);
    in.peek(8);
    if (job.size == 0 && counted.count() == 0)
        return UnpackResult::Ok;

    if ((!job.solid || !m_tablesRead) && !readTables(in))
        return UnpackResult::BadData;
    Step step = Step::More;
    while (step == Step::More && m_pos < m_memberEnd)
        step = m_ppmBlock ? decodePpm(in) : decodeLz(in);
    if (step == Step::Stopped)
        return UnpackResult::Stopped;
    // The end mark before the member's last byte, or a stream that ran dry.
    if (step != Step::More || in.overrun())
        return UnpackResult::BadData;
    readEndMark(in);

    step = flush(m_pos);
    if (step == Step::Stopped)
        return UnpackResult::Stopped;
    // A filter block reaching past the member's end never gets written.
    if (step == Step::Bad || m_written < m_memberEnd)
        return UnpackResult::BadData;
    m_written = m_pos;
    return UnpackResult::Ok;
}

bool Rar29Unpacker::readTables(BitInput &in)
{
    in.alignToByte();
    return in.peek(1) ? readPpmHeader(in) : readLzTables(in);
}

bool Rar29Unpacker::readLzTables(BitInput &in)
{
    m_ppmBlock = false;
    m_prevLowDist = 0;
    m_lowDistRepeats = 0;
    const bool keepOld = in.bits(2) & 1;
    if (!keepOld)
        m_lengths.fill(0);

    std::array<std::uint8_t, kLevelSymbols> levelLengths{};
    for (unsigned i = 0; i < kLevelSymbols;) {
        const unsigned len = in.bits(4);
        if (len != 15) {
            levelLengths[i++] = static_cast<std::uint8_t>(len);
            continue;
        }
        const unsigned zeros = in.bits(4);
        if (zeros == 0) {
            levelLengths[i++] = 15;
            continue;
        }
        for (unsigned n = zeros + 2; n > 0 && i < kLevelSymbols; --n)
            levelLengths[i++] = 0;
    }
    HuffmanCode levelCode;
    levelCode.build(levelLengths.data(), kLevelSymbols);

    std::array<std::uint8_t, kTableSize> table{};
    for (unsigned i = 0; i < kTableSize;) {
        const unsigned sym = levelCode.decode(in);
        if (sym < 16) {
            table[i] = static_cast<std::uint8_t>((sym + m_lengths[i]) & 0xF);
            ++i;
            continue;
        }
        const unsigned count = (sym & 1) ? in.bits(7) + 11 : in.bits(3) + 3;
        if (sym < 18) {
            if (i == 0)
                return false;
            for (unsigned n = count; n > 0 && i < kTableSize; --n, ++i)
                table[i] = table[i - 1];
        } else {
            for (unsigned n = count; n > 0 && i < kTableSize; --n)
                table[i++] = 0;
        }
    }
    if (in.overrun())
        return false;
    m_lengths = table;
    m_mainCode.build(table.data(), kMainSymbols);
    m_distanceCode.build(table.data() + kMainSymbols, kDistanceSymbols);
    m_lowDistanceCode.build(table.data() + kMainSymbols + kDistanceSymbols, kLowDistanceSymbols);
    m_lengthCode.build(table.data() + kMainSymbols + kDistanceSymbols + kLowDistanceSymbols, kLengthSymbols);
    m_tablesRead = true;
    return true;
}

// A PPMd block: its flags byte (bit 7 set), the model size when a new model
// starts, a new escape byte when given, then the range decoder.
bool Rar29Unpacker::readPpmHeader(BitInput &in)
{
    const unsigned flags = in.byte();
    const bool newModel = flags & 0x20;
    const unsigned megabytes = newModel ? in.byte() + 1u : 0u;
    if (flags & 0x40)
        m_ppmEscape = in.byte();
    if (!m_ppm)
        m_ppm = std::make_unique<PpmdH>();
    if (newModel) {
        unsigned order = (flags & 0x1F) + 1;
        if (order > 16)
            order = 16 + (order - 16) * 3;
        m_ppmStarted = order >= 2 && m_ppm->restart(order, std::size_t(megabytes) << 20);
        if (!m_ppmStarted)
            return false;
    } else if (!m_ppmStarted || !m_ppm->hasModel()) {
        return false;
    }
    m_ppm->startDecoder(in);
    m_ppmBlock = true;
    return !in.overrun();
}

bool Rar29Unpacker::readFilter(BitInput &in)
{
    const unsigned flags = in.bits(8);
    std::size_t size = (flags & 7) + 1;
    if (size == 7)
        size = in.bits(8) + 7;
    else if (size == 8)
        size = in.bits(16);
    if (size == 0)
        return false;
    m_record.resize(size);
    for (std::uint8_t &b : m_record)
        b = static_cast<std::uint8_t>(in.bits(8));
    return !in.overrun() && m_filters.add(flags, m_record.data(), size, m_pos);
}

bool Rar29Unpacker::readPpmFilter(BitInput &in)
{
    const int flags = m_ppm->decodeChar(in);
    if (flags < 0)
        return false;
    std::size_t size = (flags & 7) + 1;
    if (size >= 7) {
        const int b1 = m_ppm->decodeChar(in);
        const int b2 = size == 8 ? m_ppm->decodeChar(in) : 0;
        if (b1 < 0 || b2 < 0)
            return false;
        size = size == 7 ? std::size_t(b1) + 7 : std::size_t(b1) << 8 | std::size_t(b2);
    }
    if (size == 0)
        return false;
    m_record.resize(size);
    for (std::uint8_t &b : m_record) {
        const int c = m_ppm->decodeChar(in);
        if (c < 0 || in.overrun())
            return false;
        b = static_cast<std::uint8_t>(c);
    }
    return m_filters.add(static_cast<unsigned>(flags), m_record.data(), size, m_pos);
}

// Writes out what the window holds so the next symbol has room. Called with
// the decoders' own position, which they hand over first.
Step Rar29Unpacker::makeRoom(BitInput &in, std::uint64_t pos)
{
    if (in.overrun())
        return Step::Bad;
    const Step step = flush(pos);
    if (step != Step::More)
        return step;
    // A filter block longer than the window could ever hold.
    return pos - m_written >= m_window.size() - kMaxMatch ? Step::Bad : Step::More;
}

Step Rar29Unpacker::decodeLz(BitInput &in)
{
    WindowByte *const win = m_window.data();
    const std::size_t mask = m_window.size() - 1;
    const std::uint64_t end = m_memberEnd;
    std::uint64_t pos = m_pos;
    std::uint64_t room = m_written + m_window.size() - kMaxMatch;
    // Hands the position back to the object for everything but the hot path.
    const auto leave = [&](Step s) {
        m_pos = pos;
        return s;
    };

    while (pos < end) {
        if (pos >= room) {
            m_pos = pos;
            const Step step = makeRoom(in, pos);
            if (step != Step::More)
                return step;
            room = m_written + m_window.size() - kMaxMatch;
        }
        const unsigned sym = m_mainCode.decode(in);
        if (sym < 256) {
            win[pos++ & mask] = static_cast<WindowByte>(sym);
            continue;
        }
        std::uint32_t len;
        std::uint32_t dist;
        if (sym >= 271) {
            const unsigned ls = sym - 271;
            len = kLengthBase[ls] + 3u + (kLengthBits[ls] ? in.bits(kLengthBits[ls]) : 0u);
            const unsigned ds = m_distanceCode.decode(in);
            const unsigned bits = kDistance.bits[ds];
            dist = kDistance.base[ds] + 1;
            if (ds > 9) {
                // The low four bits have a code of their own, with a repeat.
                if (bits > 4)
                    dist += in.bits(bits - 4) << 4;
                if (m_lowDistRepeats > 0) {
                    --m_lowDistRepeats;
                    dist += m_prevLowDist;
                } else {
                    const unsigned low = m_lowDistanceCode.decode(in);
                    if (low == 16) {
                        m_lowDistRepeats = 15;
                        dist += m_prevLowDist;
                    } else {
                        dist += low;
                        m_prevLowDist = low;
                    }
                }
            } else if (bits) {
                dist += in.bits(bits);
            }
            if (dist >= 0x2000) {
                ++len;
                if (dist >= 0x40000)
                    ++len;
            }
            insertOldDistance(dist);
            m_lastLength = len;
        } else if (sym == 256) {
            // "1": new tables follow here; "00": the member ends, the next
            // one goes on with these tables; "01": it brings new ones.
            m_pos = pos;
            if (in.bits(1)) {
                m_tablesRead = false;
                return readTables(in) ? Step::More : Step::Bad;
            }
            m_tablesRead = !in.bits(1);
            return in.overrun() ? Step::Bad : Step::EndMark;
        } else if (sym == 257) {
            m_pos = pos;
            if (!readFilter(in))
                return Step::Bad;
            continue;
        } else if (sym == 258) {
            if (m_lastLength == 0) {
                if (in.overrun())
                    return leave(Step::Bad);
                continue;
            }
            len = m_lastLength;
            dist = m_oldDist[0];
        } else if (sym < 263) {
            const unsigned index = sym - 259;
            dist = m_oldDist[index];
            for (unsigned i = index; i > 0; --i)
                m_oldDist[i] = m_oldDist[i - 1];
            m_oldDist[0] = dist;
            const unsigned ls = m_lengthCode.decode(in);
            len = kLengthBase[ls] + 2u + (kLengthBits[ls] ? in.bits(kLengthBits[ls]) : 0u);
            m_lastLength = len;
        } else {
            const unsigned index = sym - 263;
            dist = kShortBase[index] + 1u + in.bits(kShortBits[index]);
            insertOldDistance(dist);
            len = 2;
            m_lastLength = 2;
        }
        if (!distanceFits(pos, dist))
            return leave(Step::Bad);
        copyMatch(win, mask, pos, dist, len);
        pos += len;
    }
    return leave(Step::More);
}

Step Rar29Unpacker::decodePpm(BitInput &in)
{
    WindowByte *const win = m_window.data();
    const std::size_t mask = m_window.size() - 1;
    const std::uint64_t end = m_memberEnd;
    std::uint64_t pos = m_pos;
    std::uint64_t room = m_written + m_window.size() - kMaxMatch;
    PpmdH &ppm = *m_ppm;
    const auto leave = [&](Step s) {
        m_pos = pos;
        return s;
    };

    while (pos < end) {
        if (pos >= room) {
            m_pos = pos;
            const Step step = makeRoom(in, pos);
            if (step != Step::More)
                return step;
            room = m_written + m_window.size() - kMaxMatch;
        }
        const int ch = ppm.decodeChar(in);
        if (ch < 0)
            return leave(Step::Bad);
        if (ch != m_ppmEscape) {
            win[pos++ & mask] = static_cast<WindowByte>(ch);
            continue;
        }
        // The escape byte introduces a command; after "1" it stands for itself.
        const int command = ppm.decodeChar(in);
        if (command < 0 || in.overrun())
            return leave(Step::Bad);
        std::uint32_t len;
        std::uint32_t dist;
        switch (command) {
        case 0: // end of the block: new tables follow
            m_pos = pos;
            return readTables(in) ? Step::More : Step::Bad;
        case 2:
            return leave(Step::EndMark);
        case 3:
            m_pos = pos;
            if (!readPpmFilter(in))
                return Step::Bad;
            continue;
        case 4: {
            dist = 0;
            int c = 0;
            for (int i = 0; i < 3 && c >= 0; ++i) {
                c = ppm.decodeChar(in);
                dist = dist << 8 | static_cast<std::uint8_t>(c);
            }
            const int l = c < 0 ? c : ppm.decodeChar(in);
            if (l < 0)
                return leave(Step::Bad);
            dist += 2;
            len = static_cast<std::uint32_t>(l) + 32;
            break;
        }
        case 5: {
            const int l = ppm.decodeChar(in);
            if (l < 0)
                return leave(Step::Bad);
            dist = 1;
            len = static_cast<std::uint32_t>(l) + 4;
            break;
        }
        default:
            win[pos++ & mask] = static_cast<WindowByte>(ch);
            continue;
        }
        if (!distanceFits(pos, dist))
            return leave(Step::Bad);
        copyMatch(win, mask, pos, dist, len);
        pos += len;
    }
    return leave(Step::More);
}

// With the member's bytes all decoded, the stream may still say how the
// next member starts: take its end mark (and any new tables before it). Bits
// that are not there change nothing.
void Rar29Unpacker::readEndMark(BitInput &in)
{
    for (unsigned tries = 0; tries < 4; ++tries) {
        if (m_ppmBlock) {
            if (m_ppm->decodeChar(in) != m_ppmEscape)
                return;
            const int command = m_ppm->decodeChar(in);
            if (in.overrun() || command != 0)
                return; // 2: the end mark
        } else {
            if (m_mainCode.decode(in) != 256)
                return;
            const bool tablesHere = in.bits(1);
            const bool tablesNext = !tablesHere && in.bits(1);
            if (in.overrun())
                return;
            m_tablesRead = !tablesHere && !tablesNext;
            if (!tablesHere)
                return;
        }
        if (!readTables(in))
            return;
    }
}

Step Rar29Unpacker::flush(std::uint64_t upTo)
{
    while (!m_filters.empty()) {
        const PendingFilter &f = m_filters.front();
        // Blocks come in stream order and never overlap.
        if (f.start < m_written)
            return Step::Bad;
        if (f.start >= upTo)
            break;
        if (!emitWindow(m_written, f.start))
            return Step::Stopped;
        m_written = f.start;
        if (upTo - f.start < f.length)
            return Step::More; // the block is not complete yet
        const Step step = runFilters();
        if (step != Step::More)
            return step;
    }
    if (!emitWindow(m_written, upTo))
        return Step::Stopped;
    m_written = upTo;
    return Step::More;
}

// Runs the filter at the head of the queue, and those queued for the very
// same block after it, on a copy of the block (the window keeps the
// unfiltered bytes for later matches), then writes the result.
Step Rar29Unpacker::runFilters()
{
    const std::uint64_t start = m_filters.front().start;
    const std::uint32_t length = m_filters.front().length;
    if (length > rar29::kFilterMemory)
        return Step::Bad;
    if (m_filterMemory.empty())
        m_filterMemory.resize(rar29::kFilterMemory);
    std::uint8_t *mem = m_filterMemory.data();
    const std::size_t mask = m_window.size() - 1;
    const std::size_t first = std::min<std::size_t>(length, m_window.size() - (start & mask));
    std::memcpy(mem, m_window.data() + (start & mask), first);
    std::memcpy(mem + first, m_window.data(), length - first);

    const auto fileOffset = static_cast<std::uint32_t>(start - m_memberStart);
    const std::uint8_t *result = mem;
    do {
        if (result != mem)
            std::memmove(mem, result, length);
        result = rar29::runFilter(m_filters.front(), mem, fileOffset);
        if (!result)
            return Step::Bad;
        m_filters.pop();
    } while (!m_filters.empty() && m_filters.front().start == start && m_filters.front().length == length);

    if (!emit(start, result, length))
        return Step::Stopped;
    m_written = start + length;
    return Step::More;
}

// Passes bytes at stream position from on, dropping any past the member's end.
bool Rar29Unpacker::emit(std::uint64_t from, const std::uint8_t *data, std::uint64_t size)
{
    if (from >= m_memberEnd)
        return true;
    size = std::min(size, m_memberEnd - from);
    return size == 0 || m_out->write(data, static_cast<std::size_t>(size));
}

bool Rar29Unpacker::emitWindow(std::uint64_t from, std::uint64_t to)
{
    const std::size_t mask = m_window.size() - 1;
    while (from < to) {
        const std::size_t offset = from & mask;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(to - from, m_window.size() - offset));
        if (!emit(from, reinterpret_cast<const std::uint8_t *>(m_window.data() + offset), n))
            return false;
        from += n;
    }
    return true;
}

} // namespace

std::unique_ptr<Unpacker> makeRar29Unpacker()
{
    return std::make_unique<Rar29Unpacker>();
}

} // namespace unrar
