// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Builds small, valid SPC files that play one steady tone, for tests,
// benchmarks and fuzz seeds: a few SPC700 instructions key one DSP voice on
// a looping 32-sample BRR square wave and then spin forever. Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace testspc {

// The SNES's own rate; pitch 0x1000 plays a sample at this rate.
inline constexpr int kSampleRate = 32000;
// The 32-sample wave at pitch 0x1000.
inline constexpr double kBaseHz = kSampleRate / 32.0;

// The extended tag chunk after the RAM image; a field left empty (or
// unset) is not written.
struct Xid6 {
    std::string title, game, artist, ostTitle, publisher;
    std::optional<std::uint32_t> introTicks, loopTicks, endTicks, fadeTicks; // 1/64000 s
    std::optional<std::uint8_t> loopCount, disc;
    std::optional<std::uint16_t> track; // the track number in the upper byte
    std::optional<std::uint16_t> year;
};

struct Tone {
    int pitch = 0x1000; // DSP pitch, 14 bits: 0x1000 plays 1 kHz
    int voice = 0;      // the DSP voice (0-7) keyed and given the tone
    bool id666 = true;  // false: byte 0x23 says there is no tag (its area stays zero)
    bool binaryTag = false;
    std::string title = "Test Tone", game, artist, dumper, comment;
    // -1 leaves the field empty.
    int playSeconds = -1;
    int fadeMs = -1;
    std::optional<Xid6> xid6;
};

// The whole file: 0x10200 bytes, plus the xid6 chunk when there is one.
std::string makeSpc(const Tone &tone);

// The DSP pitch that plays the tone's wave at hz (clamped to 14 bits).
int pitchForHz(double hz);

} // namespace testspc
