// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar20_audio.h"

#include <cstdlib>

namespace unrar {

std::uint8_t Rar20AudioChannel::decode(unsigned error, int &crossDelta)
{
    ++m_count;
    m_delta[3] = m_delta[2];
    m_delta[2] = m_delta[1];
    m_delta[1] = m_lastDelta - m_delta[0];
    m_delta[0] = m_lastDelta;

    // The inputs the weights apply to: four of this channel, one across.
    const std::array<int, 5> inputs{m_delta[0], m_delta[1], m_delta[2], m_delta[3], crossDelta};
    int prediction = 8 * m_lastByte;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        prediction += m_weight[i] * inputs[i];
    const int byte = ((prediction >> 3) - static_cast<int>(error)) & 0xff;

    // How far off each weight, one step either way, would have been.
    const int scaled = static_cast<std::int8_t>(error & 0xff) * 8;
    m_errorSum[0] += static_cast<unsigned>(std::abs(scaled));
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        m_errorSum[1 + 2 * i] += static_cast<unsigned>(std::abs(scaled - inputs[i]));
        m_errorSum[2 + 2 * i] += static_cast<unsigned>(std::abs(scaled + inputs[i]));
    }

    crossDelta = m_lastDelta = static_cast<std::int8_t>(byte - m_lastByte);
    m_lastByte = byte;

    if ((m_count & 0x1f) == 0) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < m_errorSum.size(); ++i)
            if (m_errorSum[i] < m_errorSum[best])
                best = i;
        m_errorSum.fill(0);
        if (best > 0) {
            int &weight = m_weight[(best - 1) / 2];
            if (best % 2 == 1 && weight >= -16)
                --weight;
            else if (best % 2 == 0 && weight < 16)
                ++weight;
        }
    }
    return static_cast<std::uint8_t>(byte);
}

} // namespace unrar
