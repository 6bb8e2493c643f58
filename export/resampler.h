// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// 32,000 Hz stereo to 48,000 Hz (3:2), for Opus, which takes no 32 kHz
// input: a polyphase windowed-sinc filter (Kaiser window, 80 dB), flat to
// 14 kHz and closed from 16 kHz, the old rate's Nyquist frequency, so that
// no image of the old spectrum reaches the new one. Zero phase: output
// frame n lies at input frame 2n/3 exactly, and N frames in give
// OutputFrames(N) out.
#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

// What the export takes in: the SNES's own rate, which the renderer gives.
inline constexpr int kInputRate = 32000;

class Resampler {
public:
    static constexpr int kTaps = 80; // input frames each output frame is made of

    Resampler();

    // Appends the output that frames (interleaved left, right) complete to
    // out, as interleaved floats of full scale 1.
    void push(const qint16 *frames, qint64 count, std::vector<float> &out);
    // Appends the rest, after the last input frame.
    void finish(std::vector<float> &out);

    static qint64 OutputFrames(qint64 inputFrames) { return (inputFrames * 3 + 1) / 2; }

private:
    void produce(std::vector<float> &out, qint64 limit);

    std::array<std::array<float, kTaps>, 3> m_phases; // by the output's position between input frames
    std::vector<float> m_left, m_right;               // input frames from m_bufferStart on
    qint64 m_bufferStart;
    qint64 m_inputFrames = 0;
    qint64 m_outputFrames = 0;
};
