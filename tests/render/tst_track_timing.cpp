// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_timing.h"

#include <QTest>

class TrackTimingTest : public QObject {
    Q_OBJECT
private slots:
    void framesFromTags_data();
    void framesFromTags();
};

void TrackTimingTest::framesFromTags_data()
{
    QTest::addColumn<qint64>("playMs");
    QTest::addColumn<qint64>("fadeMs");
    QTest::addColumn<bool>("endless");
    QTest::addColumn<qint64>("playFrames");
    QTest::addColumn<qint64>("fadeFrames");
    // Defaults: 3:00 and 10 s, unless endless.
    QTest::newRow("song") << qint64(95000) << qint64(8000) << false << qint64(95000 * 32) << qint64(8000 * 32);
    QTest::newRow("jingle keeps its fade of 0") << qint64(4000) << qint64(0) << false << qint64(4000 * 32) << qint64(0);
    QTest::newRow("length without a fade")
        << qint64(60000) << qint64(-1) << false << qint64(60000 * 32) << qint64(10000 * 32);
    QTest::newRow("no length") << qint64(-1) << qint64(-1) << false << qint64(180000 * 32) << qint64(10000 * 32);
    QTest::newRow("length 0 ignores the fade")
        << qint64(0) << qint64(0) << false << qint64(180000 * 32) << qint64(10000 * 32);
    QTest::newRow("endless") << qint64(95000) << qint64(8000) << true << qint64(0) << qint64(0);
    QTest::newRow("absurd length is bounded")
        << (qint64(1) << 60) << (qint64(1) << 60) << false << qint64(3600000000) * 32 << qint64(3600000000) * 32;
}

void TrackTimingTest::framesFromTags()
{
    QFETCH(qint64, playMs);
    QFETCH(qint64, fadeMs);
    QFETCH(bool, endless);
    QFETCH(qint64, playFrames);
    QFETCH(qint64, fadeFrames);
    SpcTags tags;
    tags.playMs = playMs;
    tags.fadeMs = fadeMs;
    TimingDefaults defaults;
    defaults.endless = endless;
    const TrackTiming timing = TimingOf(tags, defaults);
    QCOMPARE(timing.endless, endless);
    QCOMPARE(timing.playFrames, playFrames);
    QCOMPARE(timing.fadeFrames, fadeFrames);
    QCOMPARE(timing.totalFrames(), endless ? -1 : timing.playFrames + timing.fadeFrames);
}

QTEST_GUILESS_MAIN(TrackTimingTest)
#include "tst_track_timing.moc"
