// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "spc_renderer.h"
#include "spc_tone.h"

#include <QTest>

#include <cmath>
#include <vector>

namespace {
testspc::Tone toneAt(double hz, int voice = 0)
{
    testspc::Tone tone;
    tone.pitch = testspc::pitchForHz(hz);
    tone.voice = voice;
    return tone;
}

QByteArray toneBytes(const testspc::Tone &tone = {})
{
    const std::string spc = testspc::makeSpc(tone);
    return QByteArray(spc.data(), qsizetype(spc.size()));
}

TrackTiming timing(qint64 playMs, qint64 fadeMs)
{
    return {playMs * kFramesPerMs, fadeMs * kFramesPerMs, false};
}

// Renders in uneven pieces, so piece boundaries cannot hide a fault.
std::vector<qint16> renderFrames(SpcRenderer &renderer, qint64 frames)
{
    std::vector<qint16> out(size_t(frames) * SpcRenderer::kChannels);
    qint64 done = 0;
    for (qint64 piece = 1000; done < frames; piece = piece * 3 % 7919 + 1) {
        const qint64 got = renderer.render(out.data() + done * 2, std::min(piece, frames - done));
        if (got == 0)
            break;
        done += got;
    }
    out.resize(size_t(done) * 2);
    return out;
}

double rms(const std::vector<qint16> &samples, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}
} // namespace

class SpcRendererTest : public QObject {
    Q_OBJECT
private slots:
    void exactLengthAndFade_data();
    void exactLengthAndFade();
    void pitch_data();
    void pitch();
    void seekMatchesContinuousRender_data();
    void seekMatchesContinuousRender();
    void muteSilencesTheVoice();
    void rejectsWhatIsNoSpc_data();
    void rejectsWhatIsNoSpc();
};

void SpcRendererTest::exactLengthAndFade_data()
{
    QTest::addColumn<qint64>("playMs");
    QTest::addColumn<qint64>("fadeMs");
    QTest::newRow("song with fade") << qint64(1500) << qint64(1000);
    QTest::newRow("jingle, no fade") << qint64(1500) << qint64(0);
    QTest::newRow("fade only") << qint64(0) << qint64(1200);
    QTest::newRow("one millisecond") << qint64(1) << qint64(0);
    QTest::newRow("nothing") << qint64(0) << qint64(0);
}

void SpcRendererTest::exactLengthAndFade()
{
    QFETCH(qint64, playMs);
    QFETCH(qint64, fadeMs);
    SpcRenderer renderer;
    QVERIFY2(renderer.open(toneBytes(), timing(playMs, fadeMs)), qPrintable(renderer.error()));
    const qint64 total = (playMs + fadeMs) * kFramesPerMs;
    const std::vector<qint16> out = renderFrames(renderer, total + 5000);
    QCOMPARE(qint64(out.size() / 2), total);
    qint16 spare[2] = {1, 1};
    QCOMPARE(renderer.render(spare, 1), 0);
    if (total < 2 * kSpcSampleRate / 10)
        return;
    // The last 100 ms against the first full-level second (after the key-on).
    const size_t tail = 2 * 100 * kFramesPerMs;
    const double end = rms(out, out.size() - tail, tail);
    const double start = rms(out, 2 * 32 * kFramesPerMs,
                             std::min<size_t>(out.size() / 2, 2 * kSpcSampleRate) - 64 * 32);
    if (fadeMs == 0) {
        QVERIFY2(end > 0.9 * start, qPrintable(QStringLiteral("%1 vs %2").arg(end).arg(start)));
    } else {
        QVERIFY2(end < 0.05 * start, qPrintable(QStringLiteral("%1 vs %2").arg(end).arg(start)));
        QCOMPARE(out[out.size() - 2], qint16(0));
        QCOMPARE(out[out.size() - 1], qint16(0));
    }
}

void SpcRendererTest::pitch_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("voice");
    QTest::newRow("1 kHz") << 1000.0 << 0;
    QTest::newRow("440 Hz on voice 6") << 440.0 << 6;
    QTest::newRow("3 kHz") << 3000.0 << 2;
}

void SpcRendererTest::pitch()
{
    QFETCH(double, hz);
    QFETCH(int, voice);
    SpcRenderer renderer;
    QVERIFY(renderer.open(toneBytes(toneAt(hz, voice)), timing(3000, 0)));
    const std::vector<qint16> out = renderFrames(renderer, 3 * kSpcSampleRate);
    int crossings = 0;
    for (size_t i = 2 * kSpcSampleRate; i + 2 < 4 * kSpcSampleRate; i += 2)
        crossings += (out[i] < 0) != (out[i + 2] < 0);
    QVERIFY2(std::abs(crossings / 2.0 - hz) <= hz / 100, qPrintable(QString::number(crossings / 2.0)));
}

void SpcRendererTest::seekMatchesContinuousRender_data()
{
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("target");
    QTest::newRow("forward from the start") << qint64(0) << qint64(70001);
    QTest::newRow("forward from the middle") << qint64(12345) << qint64(50000);
    QTest::newRow("backward") << qint64(90000) << qint64(33333);
    QTest::newRow("into the fade") << qint64(0) << qint64(100000);
}

void SpcRendererTest::seekMatchesContinuousRender()
{
    QFETCH(qint64, first);
    QFETCH(qint64, target);
    const QByteArray bytes = toneBytes(toneAt(777));
    SpcRenderer continuous, seeking;
    QVERIFY(continuous.open(bytes, timing(3000, 1000)));
    QVERIFY(seeking.open(bytes, timing(3000, 1000)));
    const std::vector<qint16> whole = renderFrames(continuous, 4 * kSpcSampleRate);
    QVERIFY(seeking.seek(first));
    QVERIFY(seeking.seek(target));
    QCOMPARE(seeking.position(), target);
    const std::vector<qint16> after = renderFrames(seeking, 8000);
    QVERIFY(std::equal(after.begin(), after.end(), whole.begin() + target * 2));
    QVERIFY(seeking.seek(1 << 30));
    QCOMPARE(seeking.position(), 4 * kSpcSampleRate);
}

void SpcRendererTest::muteSilencesTheVoice()
{
    SpcRenderer renderer;
    QVERIFY(renderer.open(toneBytes(toneAt(1000, 3)), {0, 0, true}));
    renderFrames(renderer, 1000);
    renderer.setVoiceMuted(2, true);
    QVERIFY(rms(renderFrames(renderer, 4000), 200, 7000) > 1000);
    renderer.setVoiceMuted(3, true);
    QVERIFY(renderer.isVoiceMuted(3));
    const std::vector<qint16> muted = renderFrames(renderer, 4000);
    QCOMPARE(rms(muted, 200, 7000), 0.0);
    QVERIFY(renderer.seek(10)); // muting lasts across the restart of a backward seek
    QCOMPARE(rms(renderFrames(renderer, 4000), 200, 7000), 0.0);
    renderer.setVoiceMuted(3, false);
    QVERIFY(rms(renderFrames(renderer, 4000), 200, 7000) > 1000);
}

void SpcRendererTest::rejectsWhatIsNoSpc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray spc = toneBytes();
    QTest::newRow("empty") << QByteArray() << "The file is empty";
    QTest::newRow("text") << QByteArray(0x10200, 'x') << "Not an SPC file";
    QTest::newRow("truncated") << spc.first(0x10180) << "The SPC file is damaged: it ends early";
    QTest::newRow("header only") << spc.first(0x100) << "The SPC file is damaged: it ends early";
    QTest::newRow("huge") << spc + QByteArray(1 << 20, '\0') << "Not an SPC file: it is larger than any SPC file";
}

void SpcRendererTest::rejectsWhatIsNoSpc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    SpcRenderer renderer;
    QVERIFY(!renderer.open(bytes, timing(1000, 0)));
    QCOMPARE(renderer.error(), error);
    QVERIFY(!renderer.isOpen());
    qint16 frame[2];
    QCOMPARE(renderer.render(frame, 1), 0);
}

QTEST_GUILESS_MAIN(SpcRendererTest)
#include "tst_spc_renderer.moc"
