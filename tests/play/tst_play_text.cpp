// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The terminal player's pure parts: the status line and track lines, the
// keys out of terminal bytes, the options.
#include "key_decoder.h"
#include "play_options.h"
#include "status_line.h"

#include <QRegularExpression>
#include <QTest>

namespace {
NowPlaying track(const QString &game, const QString &title, const QString &artist)
{
    NowPlaying now;
    now.number = 1;
    now.count = 2;
    now.tags.game = game;
    now.tags.title = title;
    now.tags.artist = artist;
    now.fileName = QStringLiteral("01 Intro.spc");
    now.positionMs = 12500;
    now.lengthMs = 150000;
    return now;
}
} // namespace

class PlayTextTest : public QObject {
    Q_OBJECT
private slots:
    void statusLine_data()
    {
        QTest::addColumn<NowPlaying>("now");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("line");
        const NowPlaying full = track(QStringLiteral("Game"), QStringLiteral("Intro"), QStringLiteral("Composer"));
        QTest::newRow("fits") << full << 99 << QStringLiteral("[1/2] Game - Intro - Composer  0:12 / 2:30");
        QTest::newRow("names give way") << full << 30 << QStringLiteral("[1/2] Game - Int…  0:12 / 2:30");
        QTest::newRow("too narrow for the times") << full << 10 << QStringLiteral("[1/2] Game");
        NowPlaying bare = track({}, {}, {});
        bare.lengthMs = -1;
        QTest::newRow("file name, no length") << bare << 99 << QStringLiteral("[1/2] 01 Intro.spc  0:12 / --:--");
        NowPlaying paused = full;
        paused.paused = true;
        paused.mutedVoices = 0b1000'0101;
        paused.positionMs = 3723000;
        paused.lengthMs = 3600000;
        QTest::newRow("paused, muted, hours")
            << paused << 99
            << QStringLiteral("[1/2] Game - Intro - Composer  1:02:03 / 1:00:00 [paused] [muted 1 3 8]");
        const NowPlaying wide = track(QStringLiteral("ゲーム"), QStringLiteral("曲"), {});
        QTest::newRow("wide letters") << wide << 25 << QStringLiteral("[1/2] ゲー…  0:12 / 2:30");
        const NowPlaying hostile = track({}, QStringLiteral("Evil\x1b[2J\r\nTitle\x9b"), {});
        QTest::newRow("control characters") << hostile << 99 << QStringLiteral("[1/2] Evil [2J Title  0:12 / 2:30");
    }
    void statusLine()
    {
        QFETCH(NowPlaying, now);
        QFETCH(int, columns);
        QFETCH(QString, line);
        QCOMPARE(StatusLine(now, columns), line);
        QVERIFY(DisplayColumns(line) <= columns);
    }

    void keys_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<KeyPress>>("keys");
        using K = PlayKey;
        QTest::newRow("letters") << QByteArray(" npqNPQx")
                                 << QList<KeyPress>{{K::PlayPause}, {K::Next},     {K::Previous}, {K::Quit},
                                                    {K::Next},      {K::Previous}, {K::Quit}};
        QTest::newRow("arrows") << QByteArray("\x1b[C\x1b[D\x1bOC\x1bOD")
                                << QList<KeyPress>{{K::SeekForward}, {K::SeekBack}, {K::SeekForward}, {K::SeekBack}};
        QTest::newRow("voices") << QByteArray("1809") << QList<KeyPress>{{K::ToggleVoice, 0}, {K::ToggleVoice, 7}};
        QTest::newRow("other sequences") << QByteArray("\x1b[1;5C\x1b[A\x1bOPn") << QList<KeyPress>{{K::Next}};
        QTest::newRow("lone escape") << QByteArray("\x1b\x1bq") << QList<KeyPress>{{K::Quit}};
        QTest::newRow("endless sequence")
            << QByteArray("\x1b[" + QByteArray(40, ';') + "n") << QList<KeyPress>{{K::Next}};
    }
    void keys()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<KeyPress>, keys);
        QCOMPARE(KeyDecoder().feed(bytes), keys);
        KeyDecoder bytewise; // a read may end inside a sequence
        QList<KeyPress> pieces;
        for (const char byte : bytes)
            pieces += bytewise.feed(QByteArrayView(&byte, 1));
        QCOMPARE(pieces, keys);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QList<qint64>>("lengthFadeEndlessRepeatShuffle");
        QTest::newRow("defaults") << QStringList{"a.rsn"} << true << QList<qint64>{180000, 10000, 0, 0, 0};
        QTest::newRow("all") << QStringList{"--default-length",
                                            "90",
                                            "--default-fade",
                                            "0",
                                            "--endless",
                                            "--repeat",
                                            "--shuffle",
                                            "a",
                                            "b"}
                             << true << QList<qint64>{90000, 0, 1, 1, 1};
        for (const QStringList &bad : {QStringList{},
                                       {"--endless"},
                                       {"--default-length", "0", "a"},
                                       {"--default-length", "1.5", "a"},
                                       {"--default-length", "86401", "a"},
                                       {"--default-fade", "-1", "a"},
                                       {"--bogus", "a"}})
            QTest::newRow(qPrintable(bad.join(u' '))) << bad << false << QList<qint64>{};
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepted);
        QFETCH(QList<qint64>, lengthFadeEndlessRepeatShuffle);
        const std::optional<PlayOptions> options = ParsePlayCommandLine(QStringList{"marrowfen-play"} + arguments);
        QCOMPARE(options.has_value(), accepted);
        if (!options)
            return;
        QCOMPARE((QList<qint64>{options->defaults.lengthMs, options->defaults.fadeMs, options->defaults.endless,
                                options->repeat, options->shuffle}),
                 lengthFadeEndlessRepeatShuffle);
        QCOMPARE(options->items, arguments.filter(QRegularExpression(QStringLiteral("^[ab]"))));
    }
};

QTEST_GUILESS_MAIN(PlayTextTest)
#include "tst_play_text.moc"
