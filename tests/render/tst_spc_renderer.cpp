// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Timing from tags, and rendering tone tracks from the tone builder.
#include "spc_renderer.h"
#include "spc_tone.h"

#include <QTest>

#include <cmath>
#include <vector>

namespace {
QByteArray toneBytes(double hz = 1000, int voice = 0)
{
    testspc::Tone tone;
    tone.pitch = testspc::pitchForHz(hz);
    tone.voice = voice;
    return QByteArray::fromStdString(testspc::makeSpc(tone));
}

TrackTiming timing(qint64 playMs, qint64 fadeMs)
{
    return {playMs * kFramesPerMs, fadeMs * kFramesPerMs, false};
}

// Renders in uneven pieces, so piece boundaries cannot hide a fault.
std::vector<qint16> renderFrames(SpcRenderer &renderer, qint64 frames)
{
    std::vector<qint16> out(size_t(frames) * 2);
    qint64 done = 0;
    for (qint64 piece = 1000, got = 1; done < frames && got > 0; piece = piece * 3 % 7919 + 1) {
        got = renderer.render(out.data() + done * 2, std::min(piece, frames - done));
        done += got;
    }
    out.resize(size_t(done) * 2);
    return out;
}

// Of the samples from `from` on (all but the first `from` when count is 0).
double rms(const std::vector<qint16> &samples, size_t from, size_t count = 0)
{
    count = count ? count : samples.size() - from;
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}
} // namespace

class SpcRendererTest : public QObject {
    Q_OBJECT
private slots:
    void timingFromTags_data();
    void timingFromTags();
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

void SpcRendererTest::timingFromTags_data()
{
    QTest::addColumn<QByteArray>("spc");
    QTest::addColumn<qint64>("playMs");
    QTest::addColumn<qint64>("fadeMs");
    const auto row = [](const char *name, const testspc::Tone &tone, qint64 playMs, qint64 fadeMs) {
        QTest::newRow(name) << QByteArray::fromStdString(testspc::makeSpc(tone)) << playMs << fadeMs;
    };
    const auto tone = [](int playSeconds, int fadeMs, bool binary = false) {
        testspc::Tone t;
        t.playSeconds = playSeconds;
        t.fadeMs = fadeMs;
        t.binaryTag = binary;
        t.xid6 = testspc::Xid6{};
        return t;
    };
    testspc::Tone extended = tone(95, 8000);
    extended.xid6->introTicks = 64000 * 2;
    extended.xid6->loopTicks = 64000 * 10;
    extended.xid6->loopCount = 3;
    extended.xid6->endTicks = 64000;
    extended.xid6->fadeTicks = 64 * 1500;
    testspc::Tone huge = tone(-1, -1);
    huge.xid6->loopTicks = 0xFFFFFFFF;
    huge.xid6->loopCount = 255;
    // The listener's defaults: 3:00 and 10 s.
    row("ID666 text", tone(95, 8000), 95000, 8000);
    row("ID666 binary", tone(95, 8000, true), 95000, 8000);
    row("jingle keeps its fade of 0", tone(4, 0), 4000, 0);
    row("xid6 over ID666", extended, 33000, 1500);
    row("no length: the defaults", tone(-1, -1), 180000, 10000);
    row("a length of years is bounded", huge, qint64(3600000000), 10000);
}

void SpcRendererTest::timingFromTags()
{
    QFETCH(QByteArray, spc);
    QFETCH(qint64, playMs);
    QFETCH(qint64, fadeMs);
    const TrackTiming timing = TimingOf(ParseSpcTags(spc.first(spc::kHeaderSize), spc.sliced(spc::kXid6Offset)), {});
    QVERIFY(!timing.endless);
    QCOMPARE(timing.playFrames, playMs * 32);
    QCOMPARE(timing.fadeFrames, fadeMs * 32);
}

void SpcRendererTest::exactLengthAndFade_data()
{
    QTest::addColumn<qint64>("playMs");
    QTest::addColumn<qint64>("fadeMs");
    QTest::newRow("song with fade") << qint64(1500) << qint64(1000);
    QTest::newRow("jingle, no fade") << qint64(1500) << qint64(0);
    QTest::newRow("fade only") << qint64(0) << qint64(1200);
    QTest::newRow("nothing") << qint64(0) << qint64(0);
}

void SpcRendererTest::exactLengthAndFade()
{
    QFETCH(qint64, playMs);
    QFETCH(qint64, fadeMs);
    SpcRenderer renderer;
    QVERIFY2(renderer.open(toneBytes(), timing(playMs, fadeMs)), qPrintable(renderer.error()));
    const std::vector<qint16> out = renderFrames(renderer, (playMs + fadeMs + 100) * kFramesPerMs);
    QCOMPARE(qint64(out.size() / 2), (playMs + fadeMs) * kFramesPerMs);
    QCOMPARE(renderer.render(nullptr, 1), 0);
    if (out.size() < 2 * kSpcSampleRate)
        return;
    // The last 100 ms against the first second after the key-on.
    const double end = rms(out, out.size() - 2 * 100 * kFramesPerMs);
    const double start = rms(out, 2048, std::min<size_t>(out.size(), 2 * kSpcSampleRate) - 2048);
    QVERIFY2(fadeMs ? end < 0.05 * start : end > 0.9 * start, qPrintable(QString("%1 vs %2").arg(end).arg(start)));
    QVERIFY((out.back() == 0 && out[out.size() - 2] == 0) == (fadeMs > 0));
}

void SpcRendererTest::pitch_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("voice");
    QTest::newRow("1 kHz") << 1000.0 << 0;
    QTest::newRow("440 Hz on voice 6") << 440.0 << 6;
}

void SpcRendererTest::pitch()
{
    QFETCH(double, hz);
    QFETCH(int, voice);
    SpcRenderer renderer;
    QVERIFY(renderer.open(toneBytes(hz, voice), timing(3000, 0)));
    const std::vector<qint16> out = renderFrames(renderer, 3 * kSpcSampleRate);
    int crossings = 0; // of the left channel over the second second
    for (size_t i = 2 * kSpcSampleRate; i < 4 * kSpcSampleRate; i += 2)
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
    SpcRenderer continuous, seeking;
    QVERIFY(continuous.open(toneBytes(777), timing(3000, 1000)));
    QVERIFY(seeking.open(toneBytes(777), timing(3000, 1000)));
    const std::vector<qint16> whole = renderFrames(continuous, 4 * kSpcSampleRate);
    QVERIFY(seeking.seek(first) && seeking.seek(target));
    QCOMPARE(seeking.position(), target);
    const std::vector<qint16> after = renderFrames(seeking, 8000);
    QVERIFY(std::equal(after.begin(), after.end(), whole.begin() + target * 2));
}

void SpcRendererTest::muteSilencesTheVoice()
{
    SpcRenderer renderer;
    QVERIFY(renderer.open(toneBytes(1000, 3), {0, 0, true}));
    renderer.setVoiceMuted(2, true);
    QVERIFY(rms(renderFrames(renderer, 4000), 400) > 1000);
    renderer.setVoiceMuted(3, true);
    QVERIFY(rms(renderFrames(renderer, 4000), 400) == 0); // after the DSP's few frames of delay
    QVERIFY(renderer.seek(10));                           // muting lasts when a backward seek starts over
    QVERIFY(rms(renderFrames(renderer, 4000), 400) == 0);
    renderer.setVoiceMuted(3, false);
    QVERIFY(rms(renderFrames(renderer, 4000), 400) > 1000);
}

void SpcRendererTest::rejectsWhatIsNoSpc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray spc = toneBytes();
    QTest::newRow("empty") << QByteArray() << "The file is empty";
    QTest::newRow("text") << QByteArray(0x10200, 'x') << "Not an SPC file";
    QTest::newRow("truncated") << spc.first(0x10180) << "The SPC file is damaged: it ends early";
    QTest::newRow("huge") << spc + QByteArray(1 << 20, '\0') << "Not an SPC file: it is larger than any SPC file";
}

void SpcRendererTest::rejectsWhatIsNoSpc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    SpcRenderer renderer;
    QVERIFY(!renderer.open(bytes, timing(1000, 0)) && !renderer.isOpen());
    QCOMPARE(renderer.error(), error);
    QCOMPARE(renderer.render(nullptr, 1), 0);
}

QTEST_GUILESS_MAIN(SpcRendererTest)
#include "tst_spc_renderer.moc"
