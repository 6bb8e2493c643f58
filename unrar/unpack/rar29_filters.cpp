// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar29_filters.h"

#include "crc32.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace unrar::rar29 {
namespace {

constexpr std::size_t kMaxDefinitions = 1024; // as many programs as RAR itself keeps apart
constexpr std::size_t kMaxPending = 1024;     // blocks announced but not yet filtered (each may cost a block's work)
constexpr std::uint32_t kMaxProgramSize = 0xFFFF;
constexpr std::uint32_t kMaxUserData = 0x2000 - 0x40; // global area minus its fixed part
constexpr std::uint32_t kMaxChannels = 1024;

std::optional<FilterKind> recognise(const std::uint8_t *code, std::size_t size)
{
    struct Known {
        std::size_t size;
        std::uint32_t crc;
        FilterKind kind;
    };
    static constexpr Known kKnown[] = {
        {53, 0xAD576887u, FilterKind::E8},       {57, 0x3CD7E57Eu, FilterKind::E8E9},
        {120, 0x3769893Fu, FilterKind::Itanium}, {29, 0x0E06077Du, FilterKind::Delta},
        {149, 0x1C2C5DC8u, FilterKind::Rgb},     {216, 0xBC85E701u, FilterKind::Audio},
    };
    const std::uint32_t crc = crc32(code, size);
    for (const Known &k : kKnown)
        if (k.size == size && k.crc == crc)
            return k.kind;
    return std::nullopt;
}

// The filter record as a bit stream, most significant bit first, zeros past
// its end (then overrun() says so).
class RecordBits {
public:
    RecordBits(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    std::uint32_t peek16() const
    {
        std::uint32_t v = 0;
        const std::size_t byte = m_bit / 8;
        for (std::size_t i = 0; i < 3; ++i)
            v = (v << 8) | (byte + i < m_size ? m_data[byte + i] : 0u);
        return (v >> (8 - m_bit % 8)) & 0xFFFF;
    }
    void skip(unsigned n) { m_bit += n; }
    std::uint32_t bits(unsigned n) // n <= 16
    {
        const std::uint32_t v = peek16() >> (16 - n);
        skip(n);
        return v;
    }
    // The virtual machine's variable-length numbers: a 2-bit tag, then 4, 8
    // (or a negative 8), 16 or 32 bits.
    std::uint32_t number()
    {
        const std::uint32_t v = peek16();
        switch (v >> 14) {
        case 0:
            skip(6);
            return (v >> 10) & 0xF;
        case 1:
            if ((v & 0x3C00) == 0) {
                skip(14);
                return 0xFFFFFF00u | ((v >> 2) & 0xFF);
            }
            skip(10);
            return (v >> 6) & 0xFF;
        case 2:
            skip(2);
            return bits(16);
        default: {
            skip(2);
            const std::uint32_t high = bits(16);
            return (high << 16) | bits(16);
        }
        }
    }
    std::size_t bytesLeft() const { return m_bit / 8 < m_size ? m_size - m_bit / 8 : 0; }
    bool overrun() const { return m_bit > 8 * m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_bit = 0;
};

std::uint32_t get32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// x86 CALL (and JMP) targets were made absolute to compress better.
void undoE8(std::uint8_t *data, std::uint32_t length, std::uint32_t fileOffset, bool alsoE9)
{
    constexpr std::uint32_t kAddressSpace = 0x1000000;
    for (std::uint32_t pos = 0; pos + 4 < length;) {
        const std::uint8_t op = data[pos++];
        if (op != 0xE8 && !(alsoE9 && op == 0xE9))
            continue;
        const std::uint32_t offset = pos + fileOffset;
        const std::uint32_t address = get32(data + pos);
        if (address & 0x80000000u) {
            if (((address + offset) & 0x80000000u) == 0)
                put32(data + pos, address + kAddressSpace);
        } else if ((address - kAddressSpace) & 0x80000000u) {
            put32(data + pos, address - offset);
        }
        pos += 4;
    }
}

std::uint32_t bundleBits(const std::uint8_t *bundle, unsigned bitPos, unsigned count)
{
    const std::uint32_t v = get32(bundle + bitPos / 8) >> (bitPos % 8);
    return v & (0xFFFFFFFFu >> (32 - count));
}

void setBundleBits(std::uint8_t *bundle, std::uint32_t value, unsigned bitPos, unsigned count)
{
    const std::uint32_t mask = (0xFFFFFFFFu >> (32 - count)) << (bitPos % 8);
    std::uint8_t *p = bundle + bitPos / 8;
    put32(p, (get32(p) & ~mask) | ((value << (bitPos % 8)) & mask));
}

// IA-64 bundles: branch targets in slots holding IP-relative branches.
void undoItanium(std::uint8_t *data, std::uint32_t length, std::uint32_t fileOffset)
{
    static constexpr std::uint8_t kSlotMasks[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    std::uint32_t bundleIndex = fileOffset >> 4;
    for (std::uint32_t pos = 0; pos + 21 < length; pos += 16, ++bundleIndex) {
        std::uint8_t *bundle = data + pos;
        const int templ = (bundle[0] & 0x1F) - 0x10;
        if (templ < 0)
            continue;
        const unsigned slots = kSlotMasks[templ];
        for (unsigned slot = 0; slot < 3; ++slot) {
            if (!(slots & (1u << slot)))
                continue;
            const unsigned start = slot * 41 + 5;
            if (bundleBits(bundle, start + 37, 4) != 5)
                continue;
            const std::uint32_t target = bundleBits(bundle, start + 13, 20);
            setBundleBits(bundle, (target - bundleIndex) & 0xFFFFF, start + 13, 20);
        }
    }
}

// Bytes of each channel were stored apart, as differences: channel c's
// bytes come after those of the channels before it.
void undoDelta(const std::uint8_t *src, std::uint8_t *dst, std::uint32_t length, std::uint32_t channels)
{
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
        std::uint8_t prev = 0;
        for (std::uint32_t i = channel; i < length; i += channels) {
            prev = static_cast<std::uint8_t>(prev - *src++);
            dst[i] = prev;
        }
    }
}

// The same for a channel count known when compiling: all channels advance
// together, one row of output at a time, so their sums run side by side
// (the fold spells the row out, keeping each sum in a register).
template<std::size_t... C>
void undoDeltaRows(const std::uint8_t *src, std::uint8_t *dst, std::uint32_t length, std::index_sequence<C...>)
{
    constexpr std::uint32_t n = sizeof...(C);
    const std::uint32_t rows = length / n;
    const std::uint32_t rest = length % n;
    std::array<const std::uint8_t *, n> in{};
    std::array<std::uint8_t, n> prev{};
    for (std::uint32_t c = 0, start = 0; c < n; start += rows + (c < rest ? 1 : 0), ++c)
        in[c] = src + start;
    for (std::uint32_t r = 0; r < rows; ++r, dst += n)
        ((dst[C] = prev[C] = static_cast<std::uint8_t>(prev[C] - in[C][r])), ...);
    for (std::uint32_t c = 0; c < rest; ++c)
        dst[c] = static_cast<std::uint8_t>(prev[c] - in[c][rows]);
}

// 24-bit pixels predicted from their left and upper neighbours (Paeth),
// red and blue stored relative to green.
void undoRgb(const std::uint8_t *src, std::uint8_t *dst, std::uint32_t length, std::uint32_t width, std::uint32_t posR)
{
    for (std::uint32_t channel = 0; channel < 3; ++channel) {
        unsigned prev = 0;
        for (std::uint32_t i = channel; i < length; i += 3) {
            unsigned predicted = prev;
            if (i >= width + 3) {
                const unsigned upper = dst[i - width];
                const unsigned upperLeft = dst[i - width - 3];
                const int guess = static_cast<int>(prev + upper) - static_cast<int>(upperLeft);
                const int pa = std::abs(guess - static_cast<int>(prev));
                const int pb = std::abs(guess - static_cast<int>(upper));
                const int pc = std::abs(guess - static_cast<int>(upperLeft));
                predicted = pa <= pb && pa <= pc ? prev : pb <= pc ? upper : upperLeft;
            }
            prev = static_cast<std::uint8_t>(predicted - *src++);
            dst[i] = static_cast<std::uint8_t>(prev);
        }
    }
    for (std::uint32_t i = posR; i + 2 < length; i += 3) {
        const std::uint8_t green = dst[i + 1];
        dst[i] = static_cast<std::uint8_t>(dst[i] + green);
        dst[i + 2] = static_cast<std::uint8_t>(dst[i + 2] + green);
    }
}

// Sound samples predicted by an adaptive linear predictor per channel.
void undoAudio(const std::uint8_t *src, std::uint8_t *dst, std::uint32_t length, std::uint32_t channels)
{
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
        unsigned prevByte = 0;
        int prevDelta = 0;
        int d1 = 0, d2 = 0, d3 = 0;
        int k1 = 0, k2 = 0, k3 = 0;
        unsigned dif[7] = {};
        std::uint32_t count = 0;
        for (std::uint32_t i = channel; i < length; i += channels, ++count) {
            d3 = d2;
            d2 = prevDelta - d1;
            d1 = prevDelta;
            const unsigned predicted = ((8 * prevByte + static_cast<unsigned>(k1 * d1 + k2 * d2 + k3 * d3)) >> 3)
                & 0xFF;
            const unsigned cur = *src++;
            const unsigned value = (predicted - cur) & 0xFF;
            dst[i] = static_cast<std::uint8_t>(value);
            prevDelta = static_cast<std::int8_t>(value - prevByte);
            prevByte = value;

            const int d = static_cast<std::int8_t>(cur) * 8;
            dif[0] += static_cast<unsigned>(std::abs(d));
            dif[1] += static_cast<unsigned>(std::abs(d - d1));
            dif[2] += static_cast<unsigned>(std::abs(d + d1));
            dif[3] += static_cast<unsigned>(std::abs(d - d2));
            dif[4] += static_cast<unsigned>(std::abs(d + d2));
            dif[5] += static_cast<unsigned>(std::abs(d - d3));
            dif[6] += static_cast<unsigned>(std::abs(d + d3));
            if ((count & 0x1F) != 0)
                continue;
            unsigned best = 0;
            for (unsigned j = 1; j < 7; ++j)
                if (dif[j] < dif[best])
                    best = j;
            std::fill(std::begin(dif), std::end(dif), 0u);
            switch (best) {
            case 1:
                if (k1 >= -16)
                    --k1;
                break;
            case 2:
                if (k1 < 16)
                    ++k1;
                break;
            case 3:
                if (k2 >= -16)
                    --k2;
                break;
            case 4:
                if (k2 < 16)
                    ++k2;
                break;
            case 5:
                if (k3 >= -16)
                    --k3;
                break;
            case 6:
                if (k3 < 16)
                    ++k3;
                break;
            default:
                break;
            }
        }
    }
}

} // namespace

std::uint8_t *runFilter(const PendingFilter &f, std::uint8_t *data, std::uint32_t fileOffset)
{
    const std::uint32_t length = f.length;
    // The programs take their block size from R4; one that disagrees with
    // the block is not something an archiver writes.
    if (f.regs[4] != length || length > kFilterMemory)
        return nullptr;
    const bool twoBuffers = f.kind == FilterKind::Delta || f.kind == FilterKind::Rgb || f.kind == FilterKind::Audio;
    if (twoBuffers && length > kFilterMemory / 2)
        return nullptr;
    std::uint8_t *out = data + length;
    switch (f.kind) {
    case FilterKind::E8:
    case FilterKind::E8E9:
        if (length < 4)
            return nullptr;
        undoE8(data, length, fileOffset, f.kind == FilterKind::E8E9);
        return data;
    case FilterKind::Itanium:
        if (length < 21)
            return nullptr;
        undoItanium(data, length, fileOffset);
        return data;
    case FilterKind::Delta:
        if (f.regs[0] == 0 || f.regs[0] > kMaxChannels)
            return nullptr;
        switch (f.regs[0]) {
        case 1:
            undoDeltaRows(data, out, length, std::make_index_sequence<1>());
            break;
        case 2:
            undoDeltaRows(data, out, length, std::make_index_sequence<2>());
            break;
        case 3:
            undoDeltaRows(data, out, length, std::make_index_sequence<3>());
            break;
        case 4:
            undoDeltaRows(data, out, length, std::make_index_sequence<4>());
            break;
        case 8:
            undoDeltaRows(data, out, length, std::make_index_sequence<8>());
            break;
        default:
            undoDelta(data, out, length, f.regs[0]);
            break;
        }
        return out;
    case FilterKind::Rgb:
        if (length < 3 || f.regs[0] < 3 || f.regs[0] - 3 > length || f.regs[1] > 2)
            return nullptr;
        undoRgb(data, out, length, f.regs[0] - 3, f.regs[1]);
        return out;
    case FilterKind::Audio:
        if (f.regs[0] == 0 || f.regs[0] > 128)
            return nullptr;
        undoAudio(data, out, length, f.regs[0]);
        return out;
    }
    return nullptr;
}

bool FilterQueue::add(unsigned flags, const std::uint8_t *record, std::size_t size, std::uint64_t pos)
{
    RecordBits in(record, size);
    std::size_t index = m_lastIndex;
    if (flags & 0x80) {
        index = in.number();
        if (index == 0)
            reset();
        else
            --index;
    }
    if (index > m_definitions.size() || index >= kMaxDefinitions || m_pending.size() >= kMaxPending)
        return false;
    const bool isNew = index == m_definitions.size();

    PendingFilter f;
    f.start = pos + in.number() + ((flags & 0x40) ? 258 : 0);
    if (flags & 0x20)
        f.length = in.number();
    else
        f.length = isNew ? 0 : m_definitions[index].lastLength;
    f.regs[4] = f.length;
    if (flags & 0x10) {
        const std::uint32_t mask = in.bits(7);
        for (unsigned i = 0; i < 7; ++i)
            if (mask & (1u << i))
                f.regs[i] = in.number();
    }
    if (isNew) {
        const std::uint32_t codeSize = in.number();
        if (codeSize == 0 || codeSize > kMaxProgramSize || codeSize > in.bytesLeft())
            return false;
        std::vector<std::uint8_t> code(codeSize);
        for (std::uint8_t &b : code)
            b = static_cast<std::uint8_t>(in.bits(8));
        const std::optional<FilterKind> kind = recognise(code.data(), code.size());
        if (!kind)
            return false;
        m_definitions.push_back({*kind, 0});
    }
    if (flags & 0x08) { // data for the program's global area: the standard ones do not read it
        const std::uint32_t dataSize = in.number();
        if (dataSize > kMaxUserData)
            return false;
        in.skip(8 * dataSize);
    }
    if (in.overrun())
        return false;

    Definition &def = m_definitions[index];
    if (flags & 0x20)
        def.lastLength = f.length;
    f.kind = def.kind;
    m_lastIndex = index;
    m_pending.push_back(f);
    return true;
}

void FilterQueue::reset()
{
    m_definitions.clear();
    m_pending.clear();
    m_lastIndex = 0;
}

void FilterQueue::dropPending()
{
    m_pending.clear();
}

} // namespace unrar::rar29
