// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {
constexpr int kHalf = Resampler::kTaps / 2;
constexpr double kCutoff = 15000.0 / 32000.0; // the middle of the 14-16 kHz transition, of the input rate
constexpr double kBeta = 7.857;               // Kaiser's beta for 80 dB

double besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// The filter's response t input frames from its centre.
double response(double t)
{
    const double ratio = t / kHalf;
    if (std::abs(ratio) >= 1.0)
        return 0.0;
    const double x = 2.0 * kCutoff * t;
    const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    return 2.0 * kCutoff * sinc * besselI0(kBeta * std::sqrt(1.0 - ratio * ratio)) / besselI0(kBeta);
}
} // namespace

Resampler::Resampler()
    : m_left(kHalf - 1, 0.0f)
    , m_right(kHalf - 1, 0.0f)
    , m_bufferStart(-(kHalf - 1))
{
    // Output frame n lies phase/3 of a frame past input frame 2n/3 (rounded
    // down) and takes the input frames from kHalf - 1 before that to kHalf
    // after. Each phase sums to 1: a constant passes unchanged.
    for (int phase = 0; phase < 3; ++phase) {
        double sum = 0.0;
        std::array<double, kTaps> taps{};
        for (int i = 0; i < kTaps; ++i) {
            taps[size_t(i)] = response(phase / 3.0 - (i - (kHalf - 1)));
            sum += taps[size_t(i)];
        }
        for (int i = 0; i < kTaps; ++i)
            m_phases[size_t(phase)][size_t(i)] = float(taps[size_t(i)] / sum);
    }
}

void Resampler::push(const qint16 *frames, qint64 count, std::vector<float> &out)
{
    for (qint64 i = 0; i < count; ++i) {
        m_left.push_back(frames[2 * i] / 32768.0f);
        m_right.push_back(frames[2 * i + 1] / 32768.0f);
    }
    m_inputFrames += count;
    produce(out, std::numeric_limits<qint64>::max());
}

void Resampler::finish(std::vector<float> &out)
{
    m_left.insert(m_left.end(), kHalf, 0.0f);
    m_right.insert(m_right.end(), kHalf, 0.0f);
    produce(out, OutputFrames(m_inputFrames));
}

void Resampler::produce(std::vector<float> &out, qint64 limit)
{
    const qint64 bufferEnd = m_bufferStart + qint64(m_left.size());
    for (; m_outputFrames < limit; ++m_outputFrames) {
        const qint64 base = 2 * m_outputFrames / 3;
        if (base + kHalf >= bufferEnd)
            break;
        const std::array<float, kTaps> &taps = m_phases[size_t(2 * m_outputFrames % 3)];
        const size_t first = size_t(base - (kHalf - 1) - m_bufferStart);
        float left = 0.0f;
        float right = 0.0f;
        for (size_t i = 0; i < size_t(kTaps); ++i) {
            left += taps[i] * m_left[first + i];
            right += taps[i] * m_right[first + i];
        }
        out.push_back(left);
        out.push_back(right);
    }
    // Keep the input from the first frame the next output frame takes.
    const qint64 keepFrom = 2 * m_outputFrames / 3 - (kHalf - 1);
    const auto drop = std::ptrdiff_t(std::min(keepFrom - m_bufferStart, qint64(m_left.size())));
    if (drop > 0) {
        m_left.erase(m_left.begin(), m_left.begin() + drop);
        m_right.erase(m_right.begin(), m_right.begin() + drop);
        m_bufferStart += drop;
    }
}
