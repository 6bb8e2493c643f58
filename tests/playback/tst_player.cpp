// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The Player heard through the private sound server (with_sound.sh): tone
// tracks in an archive play in order at their pitches and exact lengths,
// gaplessly, faded or not, the last one to its end; failing tracks are
// skipped; pause and seeks move the heard position; MPRIS drives it through
// playerctl. Run without a sound server, playing reports the missing output.
#include "mpris_service.h"
#include "player.h"
#include "rar_builder.h"
#include "sound_recording.h"
#include "spc_tone.h"
#include "unrar_library.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using testsound::FramesToMs;
using testsound::MsToFrames;

struct ToneTrack {
    const char *name;
    double hz;
    int playMs; // -1: no length in the tags, the defaults apply
    int fadeMs;
};
// The queue: three tones, a member that is no SPC file and a damaged one.
const ToneTrack kTracks[] = {{"1 A.spc", 500, 1000, 300},
                             {"2 Readme.spc", 0, 0, 0},
                             {"3 B.spc", 1000, -1, 0},
                             {"4 Damaged.spc", 600, 1000, 0},
                             {"5 C.spc", 750, 1100, 0}};
constexpr TimingDefaults kDefaults{1200, 250, false};

std::string ToneFile(const ToneTrack &track)
{
    if (track.hz == 0)
        return "not an SPC file at all";
    testspc::Tone tone;
    tone.pitch = testspc::pitchForHz(track.hz);
    tone.title = std::string(track.name).substr(2, 1);
    tone.game = "Test Game";
    tone.artist = "Test Artist";
    if (track.playMs >= 0) {
        testspc::Xid6 xid6; // in 1/64000 s
        xid6.introTicks = std::uint32_t(track.playMs * 64);
        xid6.fadeTicks = std::uint32_t(track.fadeMs * 64);
        tone.xid6 = xid6;
    }
    return testspc::makeSpc(tone);
}

// playerctl's answer; the Player answers it on this thread, so the event
// loop turns meanwhile.
QString Playerctl(const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("playerctl"),
                  QStringList{QStringLiteral("-p"), QStringLiteral("marrowfen")} + arguments);
    const QDeadlineTimer deadline(10000);
    while (!process.waitForFinished(10) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsTheQueueGaplesslyToItsEnd();
    void pauseAndSeeksMoveTheHeardPosition();
    void mprisShowsAndDrivesIt();
    void withoutSoundServer();

private:
    QList<TrackRef> queue(std::initializer_list<int> indexes) const;

    UnrarLibrary m_library;
    QTemporaryDir m_dir;
    QList<TrackRef> m_tracks;
};

void TestPlayer::initTestCase()
{
    QVERIFY2(m_library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(m_library.errorString()));
    std::vector<testrar::Member> members;
    for (const ToneTrack &track : kTracks) {
        members.emplace_back();
        members.back().name = track.name;
        members.back().data = ToneFile(track);
    }
    std::string archive = testrar::build(testrar::Format::Rar5, members);
    // A byte of the damaged member's sound changed: its checksum fails.
    archive[archive.find(members[3].data) + 0x1000] ^= 0x55;
    const QString path = m_dir.filePath(QStringLiteral("Tones.rsn"));
    QVERIFY(testrar::writeFile(path.toStdString(), archive));
    for (const ToneTrack &track : kTracks)
        m_tracks.append({path, QString::fromLatin1(track.name), QString::fromLatin1(track.name)});
}

QList<TrackRef> TestPlayer::queue(std::initializer_list<int> indexes) const
{
    QList<TrackRef> tracks;
    for (int index : indexes)
        tracks.append(m_tracks[index]);
    return tracks;
}

void TestPlayer::playsTheQueueGaplesslyToItsEnd()
{
    Player player(&m_library.functions());
    player.setDefaults(kDefaults);
    player.setQueue(m_tracks);
    QSignalSpy failed(&player, &Player::trackFailed);
    QSignalSpy finished(&player, &Player::finished);
    QStringList heardTitles;
    connect(&player, &Player::currentChanged, this, [&](int index) {
        if (index >= 0)
            heardTitles << player.currentTags().title;
    });
    testsound::Recording recording;
    QVERIFY2(recording.start(), qPrintable(recording.error()));
    player.playAt(0);
    QVERIFY(finished.wait(15000));
    const std::vector<qint16> heard = recording.stop(); // at once: the end must be in already

    QCOMPARE(heardTitles, (QStringList{"A", "B", "C"}));
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed[0][0].toInt(), 1);
    QVERIFY2(failed[0][1].toString().contains(QLatin1String("SPC")), qPrintable(failed[0][1].toString()));
    QCOMPARE(failed[1][0].toInt(), 3);
    QCOMPARE(player.status(), Player::Status::Stopped);
    QCOMPARE(player.currentIndex(), -1);

    const std::vector<testsound::Tone> tones = testsound::FindTones(heard);
    QCOMPARE(tones.size(), std::size_t(3));
    struct Expected {
        double hz;
        qint64 ms;
        bool faded;
    };
    const Expected expected[] = {{500, 1300, true}, {1000, 1450, true}, {750, 1100, false}};
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const testsound::Tone &tone = tones[i];
        QVERIFY2(std::abs(tone.hz - expected[i].hz) < expected[i].hz / 50, qPrintable(QString::number(tone.hz)));
        // A fade's quiet end reads as silence, so a track lasts until the next
        // one starts: exactly its length when nothing comes between them.
        const qint64 end = i + 1 < tones.size() ? tones[i + 1].start : tone.end();
        QVERIFY2(std::abs(FramesToMs(end - tone.start) - expected[i].ms) <= 20,
                 qPrintable(QStringLiteral("track %1 lasts %2 ms").arg(i).arg(FramesToMs(end - tone.start))));
        const double level = testsound::Rms(heard, tone.start, MsToFrames(500));
        const double last = testsound::Rms(heard, end - MsToFrames(60), MsToFrames(50));
        QVERIFY2(expected[i].faded ? last < level / 2 : last > level * 0.9, qPrintable(QString::number(last / level)));
    }
}

void TestPlayer::pauseAndSeeksMoveTheHeardPosition()
{
    Player player(&m_library.functions());
    player.setDefaults({6000, 0, false});
    player.setQueue(queue({2}));
    QSignalSpy seeked(&player, &Player::seeked);
    testsound::Recording recording;
    QVERIFY2(recording.start(), qPrintable(recording.error()));
    player.playAt(0);
    QTRY_VERIFY_WITH_TIMEOUT(player.positionMs() >= 600, 5000);
    player.pause();
    QCOMPARE(player.status(), Player::Status::Paused);
    QTest::qWait(200);
    const qint64 paused = player.positionMs();
    QTest::qWait(500);
    QVERIFY(std::abs(player.positionMs() - paused) <= 20);
    QElapsedTimer sinceResume;
    sinceResume.start();
    player.play();
    QTest::qWait(60);
    // Heard time never outruns the clock (the sink's own runs ahead after a resume).
    QVERIFY2(player.positionMs() - paused <= sinceResume.elapsed() + 20,
             qPrintable(QString::number(player.positionMs())));
    QTRY_VERIFY(player.positionMs() >= paused + 300);
    const std::vector<qint16> heard = recording.stop();
    const std::vector<testsound::Tone> tones = testsound::FindTones(heard);
    QVERIFY(tones.size() >= 2);
    // What was heard before the pause is where the Player said it stopped.
    QVERIFY2(std::abs(FramesToMs(tones[0].frames) - paused) <= 30,
             qPrintable(QString::number(FramesToMs(tones[0].frames))));
    QVERIFY(FramesToMs(tones[1].start - tones[0].end()) >= 600);

    const qint64 before = player.positionMs();
    player.seekBy(2000);
    QCOMPARE(seeked.count(), 1);
    QVERIFY(std::abs(seeked[0][0].toLongLong() - (before + 2000)) <= 30);
    QTRY_VERIFY(player.positionMs() >= before + 2200);
    player.setPosition(100);
    QTRY_VERIFY(player.positionMs() >= 200 && player.positionMs() < 1000);
    QCOMPARE(player.currentIndex(), 0);
}

void TestPlayer::mprisShowsAndDrivesIt()
{
    Player player(&m_library.functions());
    player.setDefaults({20000, 0, false});
    player.setQueue(queue({2, 4}));
    MprisService mpris(&player, QStringLiteral("Marrowfen"));
    QVERIFY(mpris.isPublished());
    QSignalSpy current(&player, &Player::currentChanged);
    player.playAt(0);
    QVERIFY(current.wait(5000));
    const QStringList metadataFormat{
        QStringLiteral("metadata"), QStringLiteral("--format"),
        QStringLiteral("{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{mpris:length}}")};
    QCOMPARE(Playerctl(metadataFormat), QStringLiteral("B|Test Artist|Test Game|20000000"));
    QVERIFY(std::abs(Playerctl({QStringLiteral("position")}).toDouble() * 1000 - player.positionMs()) < 200);

    Playerctl({QStringLiteral("pause")});
    QCOMPARE(player.status(), Player::Status::Paused);
    QCOMPARE(Playerctl({QStringLiteral("status")}), QStringLiteral("Paused"));
    Playerctl({QStringLiteral("position"), QStringLiteral("5")});
    QTRY_VERIFY(std::abs(player.positionMs() - 5000) <= 50);
    Playerctl({QStringLiteral("position"), QStringLiteral("2+")});
    QTRY_VERIFY(std::abs(player.positionMs() - 7000) <= 50);
    Playerctl({QStringLiteral("next")});
    QTRY_COMPARE(player.currentIndex(), 1);
    QTRY_COMPARE(player.currentTags().title, QStringLiteral("C"));
    QCOMPARE(Playerctl(metadataFormat), QStringLiteral("C|Test Artist|Test Game|1100000"));
    QCOMPARE(Playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    int exitCode = 0;
    Playerctl({QStringLiteral("open"), QStringLiteral("file:///elsewhere.spc")}, &exitCode);
    QVERIFY(exitCode != 0);
}

void TestPlayer::withoutSoundServer()
{
    if (qEnvironmentVariableIsSet("MARROWFEN_TEST_SINK"))
        QSKIP("runs where no sound server and no session bus are (ctest playback_player_without_sound)");
    Player player(&m_library.functions());
    MprisService mpris(&player, QStringLiteral("Marrowfen"));
    QVERIFY(!mpris.isPublished());
    player.setQueue(m_tracks);
    QSignalSpy outputFailed(&player, &Player::outputFailed);
    player.playAt(0);
    QTRY_COMPARE_WITH_TIMEOUT(outputFailed.count(), 1, 5000);
    QVERIFY2(outputFailed[0][0].toString().contains(QLatin1String("No sound output")),
             qPrintable(outputFailed[0][0].toString()));
    QCOMPARE(player.status(), Player::Status::Stopped);
}

QTEST_GUILESS_MAIN(TestPlayer)
#include "tst_player.moc"
