// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "spc_tone.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace testspc {
namespace {
constexpr std::size_t kRam = 0x100;
constexpr std::size_t kDsp = 0x10100;
constexpr std::size_t kFileSize = 0x10200;

// Where the image keeps its pieces in SPC700 memory.
constexpr std::uint16_t kCode = 0x0200;
constexpr std::uint8_t kDirectoryPage = 0x03; // sample directory at 0x0300
constexpr std::uint16_t kWave = 0x0400;

// DSP registers: per voice (voice * 0x10 +) and global.
enum : std::uint8_t {
    VolLeft = 0x0,
    VolRight = 0x1,
    PitchLow = 0x2,
    PitchHigh = 0x3,
    SourceNumber = 0x4,
    Adsr1 = 0x5,
    Gain = 0x7,
    MasterLeft = 0x0C,
    MasterRight = 0x1C,
    EchoLeft = 0x2C,
    EchoRight = 0x3C,
    KeyOn = 0x4C,
    Flags = 0x6C,
    Directory = 0x5D,
    EchoStart = 0x6D,
};
constexpr std::uint8_t kEchoWritesOff = 0x20; // FLG: not reset, not muted, echo buffer left alone

void put(std::string &file, std::size_t at, std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        file[at++] = static_cast<char>(b);
}

void putLittle(std::string &file, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        file[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

void putText(std::string &file, std::size_t at, const std::string &text, std::size_t size)
{
    file.replace(at, std::min(text.size(), size), text, 0, size);
}

void putId666(std::string &file, const Tone &tone)
{
    putText(file, 0x2E, tone.title, 32);
    putText(file, 0x4E, tone.game, 32);
    putText(file, 0x6E, tone.dumper, 16);
    putText(file, 0x7E, tone.comment, 32);
    if (tone.binaryTag) {
        if (tone.playSeconds >= 0)
            putLittle(file, 0xA9, std::uint32_t(tone.playSeconds), 3);
        if (tone.fadeMs >= 0)
            putLittle(file, 0xAC, std::uint32_t(tone.fadeMs), 4);
        putText(file, 0xB0, tone.artist, 32);
    } else {
        if (tone.playSeconds >= 0)
            putText(file, 0xA9, std::to_string(tone.playSeconds), 3);
        if (tone.fadeMs >= 0)
            putText(file, 0xAC, std::to_string(tone.fadeMs), 5);
        putText(file, 0xB1, tone.artist, 32);
    }
}

// Sub-chunks: id, type (0: the value sits in the length field, 1: a
// NUL-ended string, 4: a 32-bit number), length, data padded to 4 bytes.
class Xid6Writer {
public:
    void text(std::uint8_t id, const std::string &value)
    {
        if (value.empty())
            return;
        const std::string data = value.substr(0, 255) + '\0';
        header(id, 1, std::uint16_t(data.size()));
        m_body += data;
        m_body.append((4 - data.size() % 4) % 4, '\0');
    }
    void number(std::uint8_t id, std::optional<std::uint32_t> value)
    {
        if (!value)
            return;
        header(id, 4, 4);
        m_body.append(4, '\0');
        putLittle(m_body, m_body.size() - 4, *value, 4);
    }
    void inHeader(std::uint8_t id, std::optional<std::uint16_t> value)
    {
        if (value)
            header(id, 0, *value);
    }
    std::string chunk() const
    {
        std::string out = "xid6" + std::string(4, '\0');
        putLittle(out, 4, std::uint32_t(m_body.size()), 4);
        return out + m_body;
    }

private:
    void header(std::uint8_t id, std::uint8_t type, std::uint16_t length)
    {
        m_body += char(id);
        m_body += char(type);
        m_body.append(2, '\0');
        putLittle(m_body, m_body.size() - 2, length, 2);
    }
    std::string m_body;
};

std::string xid6Chunk(const Xid6 &tags)
{
    Xid6Writer w;
    w.text(0x01, tags.title);
    w.text(0x02, tags.game);
    w.text(0x03, tags.artist);
    w.text(0x10, tags.ostTitle);
    w.inHeader(0x11, tags.disc);
    w.inHeader(0x12, tags.track);
    w.text(0x13, tags.publisher);
    w.inHeader(0x14, tags.year);
    w.number(0x30, tags.introTicks);
    w.number(0x31, tags.loopTicks);
    w.number(0x32, tags.endTicks);
    w.number(0x33, tags.fadeTicks);
    w.inHeader(0x35, tags.loopCount);
    return w.chunk();
}

void putProgram(std::string &file, const Tone &tone)
{
    const auto voiceBit = std::uint8_t(1u << (tone.voice & 7));
    put(file, kRam + kCode,
        {
            0x8F, KeyOn, 0xF2,    // MOV $F2, #KON
            0x8F, voiceBit, 0xF3, // MOV $F3, #voice: key the voice on
            0x2F, 0xFE,           // BRA to itself, forever
        });
    // Directory entry 0: the wave starts and loops at kWave.
    put(file, kRam + kDirectoryPage * 0x100u, {kWave & 0xFF, kWave >> 8, kWave & 0xFF, kWave >> 8});
    // Two BRR blocks at shift 12, filter 0: sixteen samples of +7, sixteen of
    // -7; the second block ends the sample and loops it.
    std::size_t at = kRam + kWave;
    put(file, at, {0xC0});
    file.replace(at + 1, 8, 8, char(0x77));
    put(file, at + 9, {0xC3});
    file.replace(at + 10, 8, 8, char(0x99));
    // SMP registers in the RAM image: TEST as after reset, timers and the
    // boot ROM off.
    put(file, kRam + 0xF0, {0x0A, 0x00});
}

void putDsp(std::string &file, const Tone &tone)
{
    const std::size_t voice = kDsp + std::size_t(tone.voice & 7) * 0x10;
    const int pitch = std::clamp(tone.pitch, 0, 0x3FFF);
    file[voice + VolLeft] = 0x40; // leaves headroom: libgme amplifies SPC output
    file[voice + VolRight] = 0x40;
    file[voice + PitchLow] = char(pitch & 0xFF);
    file[voice + PitchHigh] = char(pitch >> 8);
    file[voice + SourceNumber] = 0;
    file[voice + Adsr1] = 0x00; // envelope from GAIN
    file[voice + Gain] = 0x7F;  // direct, full level
    file[kDsp + MasterLeft] = 0x7F;
    file[kDsp + MasterRight] = 0x7F;
    file[kDsp + EchoLeft] = 0;
    file[kDsp + EchoRight] = 0;
    file[kDsp + KeyOn] = 0;
    file[kDsp + Flags] = char(kEchoWritesOff);
    file[kDsp + Directory] = char(kDirectoryPage);
    file[kDsp + EchoStart] = char(0x80);
}
} // namespace

std::string makeSpc(const Tone &tone)
{
    std::string file(kFileSize, '\0');
    putText(file, 0, "SNES-SPC700 Sound File Data v0.30", 33);
    put(file, 0x21, {26, 26, std::uint8_t(tone.id666 ? 26 : 27), 30});
    // Registers: PC, A, X, Y, PSW, SP.
    put(file, 0x25, {kCode & 0xFF, kCode >> 8, 0, 0, 0, 0x02, 0xEF});
    if (tone.id666)
        putId666(file, tone);
    putProgram(file, tone);
    putDsp(file, tone);
    if (tone.xid6)
        file += xid6Chunk(*tone.xid6);
    return file;
}

int pitchForHz(double hz)
{
    return std::clamp(int(std::lround(hz * 0x1000 / kBaseHz)), 0, 0x3FFF);
}

} // namespace testspc
