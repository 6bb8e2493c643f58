// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The audio output heard through the private sound server: square waves
// pushed back to back come out at their lengths, without a gap, and the
// played position reaches the end only once the end has been heard.
#include "audio_output.h"
#include "sound_recording.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

std::vector<qint16> Square(double hz, qint64 frames)
{
    std::vector<qint16> samples;
    for (qint64 i = 0; i < frames; ++i) {
        const qint16 level = std::fmod(double(i) * hz / testsound::kRate, 1.0) < 0.5 ? 12000 : -12000;
        samples.insert(samples.end(), {level, level});
    }
    return samples;
}

// Pushes everything from a thread of its own, waiting for room as the
// decoder does, then ends the stream.
class Producer {
public:
    Producer(AudioOutput &output, const std::vector<qint16> &samples)
        : m_output(output)
        , m_thread([this, &samples] { pushAll(samples); })
    {
    }
    ~Producer()
    {
        m_stop = true;
        m_output.interruptWait();
        m_thread.join();
    }

private:
    void pushAll(const std::vector<qint16> &samples)
    {
        const qint64 total = qint64(samples.size() / 2);
        for (qint64 done = 0; done < total && !m_stop;) {
            done += m_output.push(samples.data() + done * 2, total - done);
            if (done < total)
                m_output.waitForRoom(std::chrono::milliseconds(50));
        }
        m_output.endStream();
    }

    AudioOutput &m_output;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};
} // namespace

class TestAudioOutput : public QObject {
    Q_OBJECT
private slots:
    void tonesAreHeardWholeAndBackToBack();
};

void TestAudioOutput::tonesAreHeardWholeAndBackToBack()
{
    AudioOutput output;
    QVERIFY2(output.open(), qPrintable(output.error()));
    QSignalSpy failed(&output, &AudioOutput::failed);
    testsound::Recording recording;
    QVERIFY2(recording.start(), qPrintable(recording.error()));

    const std::vector<std::pair<double, qint64>> tones = {{500, 700}, {1000, 300}, {750, 500}};
    std::vector<qint16> samples;
    for (const auto &[hz, ms] : tones) {
        const std::vector<qint16> tone = Square(hz, testsound::MsToFrames(ms));
        samples.insert(samples.end(), tone.begin(), tone.end());
    }
    const quint64 epoch = output.newStream();
    Producer producer(output, samples);
    const qint64 total = qint64(samples.size() / 2);
    QTRY_COMPARE_WITH_TIMEOUT(output.heard().frames, total, 10000);
    QCOMPARE(output.heard().epoch, epoch);
    const std::vector<qint16> heard = recording.stop();
    QCOMPARE(failed.count(), 0);

    const std::vector<testsound::Tone> found = testsound::FindTones(heard);
    QCOMPARE(found.size(), tones.size());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        QVERIFY2(std::abs(found[i].hz - tones[i].first) < tones[i].first / 50,
                 qPrintable(QString::number(found[i].hz)));
        QVERIFY2(std::abs(testsound::FramesToMs(found[i].frames) - tones[i].second) <= 20,
                 qPrintable(QString::number(testsound::FramesToMs(found[i].frames))));
        if (i > 0)
            QVERIFY(found[i].start - found[i - 1].end() <= testsound::MsToFrames(2));
    }
}

QTEST_GUILESS_MAIN(TestAudioOutput)
#include "tst_audio_output.moc"
