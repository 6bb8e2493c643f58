// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.0 multimedia blocks: each channel's bytes are coded as the error of
// a linear prediction from its recent deltas and the previous channel's
// delta. The weights adapt every 32 bytes towards whichever single step
// would have cut the error most.
#pragma once

#include <array>
#include <cstdint>

namespace unrar {

class Rar20AudioChannel {
public:
    // The byte coded by `error` (the symbol read); crossDelta is the delta
    // of the byte decoded last on any channel, updated here.
    std::uint8_t decode(unsigned error, int &crossDelta);

private:
    std::array<int, 5> m_weight{};
    std::array<int, 4> m_delta{}; // the last delta and its differences
    int m_lastDelta = 0;
    int m_lastByte = 0;
    std::array<unsigned, 11> m_errorSum{};
    unsigned m_count = 0;
};

} // namespace unrar
