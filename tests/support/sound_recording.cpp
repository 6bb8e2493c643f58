// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "sound_recording.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace testsound {

namespace {

// Below this a sample counts as silence; the emulator's silence is exact,
// so a small margin only keeps rounding out.
constexpr int kSilence = 48;
// A tone never dwells this long within the silence; a pause does.
constexpr qint64 kQuietSpell = kRate / 1000;
// A recording is never longer than this (a runaway test stops here).
constexpr qint64 kLargestRecording = qint64(kRate) * 4 * 120;

qint16 Left(const std::vector<qint16> &frames, qint64 frame)
{
    return frames[std::size_t(frame * 2)];
}

// Where the left channel rises through zero on its way from below -kSilence
// to above +kSilence: the silence's rounding, and a wave falling silent,
// never count.
std::vector<qint64> RisingCrossings(const std::vector<qint16> &frames)
{
    std::vector<qint64> crossings;
    bool below = false;
    qint64 rise = -1; // where the signal reached 0 since it was last below
    qint64 quiet = 0; // samples in a row within the silence
    const qint64 count = qint64(frames.size() / 2);
    for (qint64 i = 0; i < count; ++i) {
        const int x = Left(frames, i);
        quiet = std::abs(x) <= kSilence ? quiet + 1 : 0;
        if (quiet > kQuietSpell) {
            below = false; // what follows a silence starts afresh
            rise = -1;
        } else if (x < -kSilence) {
            below = true;
            rise = -1;
        } else if (below && x >= 0 && rise < 0) {
            rise = i;
        }
        if (rise >= 0 && x > kSilence) {
            crossings.push_back(rise);
            below = false;
            rise = -1;
        }
    }
    return crossings;
}

// The first or last sound within [from, to), or -1.
qint64 FirstSound(const std::vector<qint16> &frames, qint64 from, qint64 to)
{
    for (qint64 i = std::max<qint64>(from, 0); i < to; ++i)
        if (std::abs(Left(frames, i)) > kSilence)
            return i;
    return -1;
}
qint64 LastSound(const std::vector<qint16> &frames, qint64 from, qint64 to)
{
    for (qint64 i = std::min<qint64>(to, qint64(frames.size() / 2)) - 1; i >= from; --i)
        if (std::abs(Left(frames, i)) > kSilence)
            return i;
    return -1;
}

} // namespace

Recording::Recording() = default;

Recording::~Recording()
{
    if (m_parec.state() != QProcess::NotRunning) {
        m_parec.kill();
        m_parec.waitForFinished(2000);
    }
}

bool Recording::start()
{
    const QString sink = qEnvironmentVariable("MARROWFEN_TEST_SINK");
    if (sink.isEmpty()) {
        m_error = QStringLiteral("MARROWFEN_TEST_SINK is not set: run the test through tests/support/with_sound.sh");
        return false;
    }
    const QString file = m_dir.filePath(QStringLiteral("recording.raw"));
    m_parec.setStandardOutputFile(file);
    m_parec.start(QStringLiteral("parec"),
                  {QStringLiteral("--raw"), QStringLiteral("--latency-msec=20"), QStringLiteral("--format=s16le"),
                   QStringLiteral("--rate=32000"), QStringLiteral("--channels=2"), QStringLiteral("-d"),
                   sink + QStringLiteral(".monitor")});
    if (!m_parec.waitForStarted(5000)) {
        m_error = QStringLiteral("parec did not start: ") + m_parec.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(file).size() == 0) {
        if (m_parec.state() == QProcess::NotRunning || waited.elapsed() > 5000) {
            m_error = QStringLiteral("parec records nothing: ")
                + QString::fromLocal8Bit(m_parec.readAllStandardError());
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

std::vector<qint16> Recording::stop()
{
    m_parec.terminate();
    if (!m_parec.waitForFinished(5000))
        m_parec.kill();
    QFile file(m_dir.filePath(QStringLiteral("recording.raw")));
    std::vector<qint16> frames;
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    const QByteArray bytes = file.read(kLargestRecording);
    frames.resize(std::size_t(bytes.size() / 4) * 2);
    std::memcpy(frames.data(), bytes.constData(), frames.size() * sizeof(qint16));
    return frames;
}

std::vector<Tone> FindTones(const std::vector<qint16> &frames, qint64 minFrames)
{
    const std::vector<qint64> crossings = RisingCrossings(frames);
    std::vector<Tone> tones;
    std::size_t first = 0;
    while (first + 1 < crossings.size()) {
        // Extend the run while each period stays within a tenth of the run's mean.
        std::size_t last = first + 1;
        while (last + 1 < crossings.size()) {
            const double mean = double(crossings[last] - crossings[first]) / double(last - first);
            const double period = double(crossings[last + 1] - crossings[last]);
            if (std::abs(period - mean) > mean / 10)
                break;
            ++last;
        }
        const qint64 period = (crossings[last] - crossings[first]) / qint64(last - first);
        qint64 start = FirstSound(frames, crossings[first] - period, crossings[first] + 1);
        if (!tones.empty())
            start = std::max(start, tones.back().end());
        const qint64 end = std::max(LastSound(frames, crossings[last], crossings[last] + period) + 1, crossings[last]);
        if (end - start >= minFrames && last - first >= 2)
            tones.push_back({start, end - start,
                             double(kRate) * double(last - first) / double(crossings[last] - crossings[first])});
        first = last;
    }
    return tones;
}

double Rms(const std::vector<qint16> &frames, qint64 from, qint64 count)
{
    from = std::max<qint64>(from, 0);
    const qint64 to = std::min<qint64>(from + count, qint64(frames.size() / 2));
    if (to <= from)
        return 0;
    double sum = 0;
    for (qint64 i = from; i < to; ++i)
        sum += double(Left(frames, i)) * Left(frames, i);
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

} // namespace testsound
