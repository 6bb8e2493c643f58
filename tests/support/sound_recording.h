// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Hearing what the tests play: records the private sound server's null sink
// (tests/support/with_sound.sh) with parec, and finds the tones in the
// recording: where each starts, how long it lasts, its frequency, and the
// level over time for fades.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace testsound {

inline constexpr int kRate = 32000;

// 16-bit stereo at 32,000 Hz, as parec hands it over.
class Recording {
public:
    Recording();
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    // Starts recording the monitor of $MARROWFEN_TEST_SINK; returns once
    // sound arrives. False with error() when it cannot.
    bool start();
    // Stops and returns the interleaved frames recorded since start().
    std::vector<qint16> stop();
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_parec;
    QString m_error;
};

struct Tone {
    qint64 start = 0;  // frames from the recording's start
    qint64 frames = 0; // its length
    double hz = 0;
    qint64 end() const { return start + frames; }
};

// Non-silent stretches, split where the pitch changes by more than a tenth;
// stretches shorter than minFrames are left out. Reads the left channel.
std::vector<Tone> FindTones(const std::vector<qint16> &frames, qint64 minFrames = kRate / 100);

// Root mean square level (0 to 1) of the left channel over [from, from + count).
double Rms(const std::vector<qint16> &frames, qint64 from, qint64 count);

constexpr qint64 FramesToMs(qint64 frames)
{
    return frames * 1000 / kRate;
}
constexpr qint64 MsToFrames(qint64 ms)
{
    return ms * kRate / 1000;
}

} // namespace testsound
