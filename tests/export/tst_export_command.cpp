// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-export run as a program over built tone archives, its files
// read back with libsndfile and metaflac: exact lengths, pitch, fades, tags,
// the album playlist, kept and replaced files, left-out tracks, and output
// that cannot be written leaving nothing behind.
#include "rar_builder.h"
#include "spc_tone.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kProgram = QStringLiteral(MARROWFEN_EXPORT_PATH);

// Whether a user other than the owner may run the file: every folder above it
// must let others through.
bool othersMayRun(const QString &file)
{
    struct stat status {};
    for (QString at = file; !at.isEmpty() && at != u'/'; at = QFileInfo(at).path()) {
        if (stat(QFile::encodeName(at).constData(), &status) != 0 || !(status.st_mode & S_IXOTH))
            return false;
    }
    return true;
}

struct Run {
    int status;
    QString errors;
};

Run run(const QStringList &arguments, const std::function<void()> &inChild = {})
{
    QProcess process;
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(kProgram, arguments);
    if (!process.waitForFinished(120000))
        return {-1, QStringLiteral("timed out")};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

testrar::Member member(const std::string &name, const testspc::Tone &tone)
{
    testrar::Member m;
    m.name = name;
    m.data = testspc::makeSpc(tone);
    return m;
}

struct Audio {
    int rate = 0;
    std::vector<qint16> samples; // interleaved stereo
    qint64 frames() const { return qint64(samples.size() / 2); }
};

Audio readAudio(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    Audio audio;
    if (!file || info.channels != 2)
        return audio;
    audio.rate = info.samplerate;
    audio.samples.resize(size_t(info.frames) * 2);
    audio.samples.resize(size_t(sf_readf_short(file, audio.samples.data(), info.frames)) * 2);
    sf_close(file);
    return audio;
}

double rms(const Audio &audio, qint64 from, qint64 frames)
{
    double sum = 0;
    for (qint64 i = from; i < from + frames; ++i)
        sum += double(audio.samples[size_t(2 * i)]) * audio.samples[size_t(2 * i)];
    return std::sqrt(sum / double(frames));
}

// Half a second from frame from on, by its zero crossings.
double pitch(const Audio &audio, qint64 from)
{
    int crossings = 0;
    for (qint64 i = from; i < from + audio.rate / 2; ++i)
        crossings += (audio.samples[size_t(2 * i)] < 0) != (audio.samples[size_t(2 * i + 2)] < 0);
    return crossings;
}

// "NAME=value" lines, names in upper case.
QStringList flacTags(const QString &path)
{
    QProcess metaflac;
    metaflac.start(QStringLiteral("metaflac"), {QStringLiteral("--export-tags-to=-"), path});
    metaflac.waitForFinished();
    QStringList tags;
    for (const QString &line : QString::fromUtf8(metaflac.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        tags << line.section(u'=', 0, 0).toUpper() + u'=' + line.section(u'=', 1);
    return tags;
}

// Every file below folder, hidden ones too.
QStringList allFiles(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

ino_t inode(const QString &path)
{
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}
} // namespace

class ExportCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void flacAlbum_data();
    void flacAlbum();
    void albumPlaylist();
    void secondRunKeepsEverythingForceReplaces();
    void damagedTrackLeftOut();
    void otherFormats_data();
    void otherFormats();
    void stemsAreTheVoicesAlone();
    void refusals_data();
    void refusals();
    void unwritableOutputLeavesNothing_data();
    void unwritableOutputLeavesNothing();
    void interruptRemovesTheFileBeingWritten();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void ExportCommandTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Readable by an ordinary user, for the permission test.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QDir().mkpath(path(QStringLiteral("music/empty"))));
    testspc::Tone intro;
    intro.title = "Intro";
    intro.artist = "Composer";
    intro.game = "Game";
    intro.dumper = "Dumper";
    intro.comment = "Comment";
    intro.binaryTag = true;
    intro.playSeconds = 2;
    intro.fadeMs = 1000;
    intro.xid6 = testspc::Xid6{};
    intro.xid6->ostTitle = "OST";
    intro.xid6->publisher = "Pub";
    intro.xid6->year = 1994;
    intro.xid6->disc = 2;
    testspc::Tone town;
    town.title = "Town?";
    town.pitch = testspc::pitchForHz(500);
    town.voice = 3;
    const auto write = [&](const char *name, const std::vector<testrar::Member> &members) {
        return testrar::writeFile(QFile::encodeName(path(QString::fromLatin1(name))).toStdString(),
                                  testrar::build(testrar::Format::Rar5, members));
    };
    QVERIFY(write("music/Game.rsn", {member("01 Intro.spc", intro), member("02 Town.spc", town)}));
    testrar::Member bad;
    bad.name = "02 Bad.spc";
    bad.data = "not an SPC file";
    QVERIFY(write("Damaged.rsn", {member("01 Good.spc", intro), bad}));

    const Run first = run({QStringLiteral("-q"), QStringLiteral("--default-length"), QStringLiteral("1"),
                           QStringLiteral("--default-fade"), QStringLiteral("0"), QStringLiteral("-o"), path("out"),
                           path("music")});
    QVERIFY2(first.status == 0, qPrintable(first.errors));
}

void ExportCommandTest::flacAlbum_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("frames");
    QTest::addColumn<double>("hz");
    QTest::addColumn<bool>("faded");
    QTest::addColumn<QStringList>("tags");
    QTest::newRow("tagged, with a fade") << "01 Intro.flac" << qint64(96000) << 1000.0 << true
                                         << QStringList{"TITLE=Intro",    "ARTIST=Composer",  "ALBUM=OST",
                                                        "TRACKNUMBER=01", "TRACKTOTAL=2",     "DISCNUMBER=2",
                                                        "DATE=1994",      "ORGANIZATION=Pub", "COMMENT=Comment",
                                                        "DUMPER=Dumper"};
    QTest::newRow("defaults, no fade, unsafe title")
        << "02 Town_.flac" << qint64(32000) << 500.0 << false
        << QStringList{"TITLE=Town?", "ALBUM=Game", "TRACKNUMBER=02", "TRACKTOTAL=2"};
}

void ExportCommandTest::flacAlbum()
{
    QFETCH(QString, file);
    QFETCH(qint64, frames);
    QFETCH(double, hz);
    QFETCH(bool, faded);
    QFETCH(QStringList, tags);
    const QString flac = path("out/Game/") + file;
    const Audio audio = readAudio(flac);
    QCOMPARE(audio.rate, 32000);
    QCOMPARE(audio.frames(), frames);
    QVERIFY2(std::abs(pitch(audio, 8000) - hz) <= hz / 50, qPrintable(QString::number(pitch(audio, 8000))));
    const double end = rms(audio, frames - 3200, 3200);
    const double middle = rms(audio, 8000, 16000);
    QVERIFY2(faded ? end < 0.1 * middle : end > 0.9 * middle, qPrintable(QStringLiteral("%1 %2").arg(end).arg(middle)));
    const QStringList written = flacTags(flac);
    for (const QString &tag : tags)
        QVERIFY2(written.contains(tag), qPrintable(tag + QStringLiteral(" not in ") + written.join(u'|')));
}

void ExportCommandTest::albumPlaylist()
{
    QFile playlist(path("out/Game/Game.m3u8"));
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QCOMPARE(
        playlist.readAll(),
        QByteArray("#EXTM3U\r\n#EXTINF:3,Composer - Intro\r\n01 Intro.flac\r\n#EXTINF:1,Town?\r\n02 Town_.flac\r\n"));
    QCOMPARE(QDir(path("out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Game"});
}

void ExportCommandTest::secondRunKeepsEverythingForceReplaces()
{
    const QStringList files = allFiles(path("out"));
    QCOMPARE(files.size(), 3);
    std::vector<ino_t> before;
    QList<QDateTime> modified;
    for (const QString &file : files) {
        before.push_back(inode(file));
        modified << QFileInfo(file).lastModified();
    }
    const QStringList arguments{"--default-length",    "1", "--default-fade", "0", "-o", path("out"),
                                path("music/Game.rsn")};
    const Run again = run(arguments);
    QCOMPARE(again.status, 0);
    QVERIFY2(again.errors.contains(u"2 files already there; kept"), qPrintable(again.errors));
    for (size_t i = 0; i < before.size(); ++i) {
        QCOMPARE(inode(files[qsizetype(i)]), before[i]);
        QCOMPARE(QFileInfo(files[qsizetype(i)]).lastModified(), modified[qsizetype(i)]);
    }
    QCOMPARE(allFiles(path("out")), files);

    QCOMPARE(run(QStringList{"-f"} + arguments).status, 0);
    QCOMPARE(allFiles(path("out")), files);
    QVERIFY(inode(files[0]) != before[0]); // the audio files, renamed over the old ones
    QVERIFY(inode(files[1]) != before[1]);
}

void ExportCommandTest::damagedTrackLeftOut()
{
    const Run damaged = run({"-o", path("damaged"), path("Damaged.rsn")});
    QCOMPARE(damaged.status, 1);
    QVERIFY2(damaged.errors.contains(u"02 Bad.spc") && damaged.errors.contains(u"left out"),
             qPrintable(damaged.errors));
    QCOMPARE(QDir(path("damaged/Damaged")).entryList(QDir::Files), (QStringList{"01 Intro.flac", "Damaged.m3u8"}));
    QFile playlist(path("damaged/Damaged/Damaged.m3u8"));
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QCOMPARE(playlist.readAll(), QByteArray("#EXTM3U\r\n#EXTINF:3,Composer - Intro\r\n01 Intro.flac\r\n"));
}

void ExportCommandTest::otherFormats_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rate");
    QTest::newRow("opus") << QStringList{"--format", "opus", "--bitrate", "96"} << "01 Intro.opus" << 48000;
    QTest::newRow("wav") << QStringList{"--format", "wav"} << "01 Intro.wav" << 32000;
}

void ExportCommandTest::otherFormats()
{
    QFETCH(QStringList, options);
    QFETCH(QString, file);
    QFETCH(int, rate);
    const QString out = path(QStringLiteral("format-") + file);
    // One track named inside its archive keeps its place in the preview.
    const Run one = run(options + QStringList{"-o", out, path("music/Game.rsn") + "\\01 Intro.spc"});
    QVERIFY2(one.status == 0, qPrintable(one.errors));
    const Audio audio = readAudio(out + "/Game/" + file);
    QCOMPARE(audio.rate, rate);
    QCOMPARE(audio.frames(), qint64(3) * rate);
    QVERIFY(std::abs(pitch(audio, rate / 4) - 1000) <= 20);
    QVERIFY(rms(audio, audio.frames() - rate / 10, rate / 10) < 0.1 * rms(audio, rate / 4, rate / 2));
}

void ExportCommandTest::stemsAreTheVoicesAlone()
{
    const Run stems = run({"--stems", "--default-length", "1", "--default-fade", "0", "-o", path("stems"),
                           path("music/Game.rsn") + "\\02 Town.spc"});
    QVERIFY2(stems.status == 0, qPrintable(stems.errors));
    for (int voice = 1; voice <= 8; ++voice) {
        const Audio audio = readAudio(path("stems/Game/02 Town_/voice-%1.flac").arg(voice));
        QCOMPARE(audio.frames(), qint64(32000));
        const double level = rms(audio, 8000, 16000);
        QVERIFY2(voice == 4 ? level > 1000 : level == 0, qPrintable(QStringLiteral("%1: %2").arg(voice).arg(level)));
    }
    QCOMPARE(readAudio(path("stems/Game/02 Town_.flac")).frames(), qint64(32000));
}

void ExportCommandTest::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    const QString game = path("music/Game.rsn");
    QTest::newRow("no output folder") << QStringList{game} << 2 << "no output folder";
    QTest::newRow("no item") << QStringList{"-o", path("x")} << 2 << "no ITEM";
    QTest::newRow("unknown format") << QStringList{"--format", "mp3", "-o", path("x"), game} << 2
                                    << "flac, opus or wav";
    QTest::newRow("bit rate without opus") << QStringList{"--bitrate", "96", "-o", path("x"), game} << 2 << "opus";
    QTest::newRow("nothing to export") << QStringList{"-o", path("x"), path("music/empty")} << 2 << "Nothing to export";
    QTest::newRow("output under a file") << QStringList{"-o", game + "/out", game} << 3 << "Not a directory";
}

void ExportCommandTest::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    const Run refused = run(arguments);
    QCOMPARE(refused.status, status);
    QVERIFY2(refused.errors.contains(says), qPrintable(refused.errors));
    QVERIFY(!QFileInfo::exists(path("x")));
}

void ExportCommandTest::unwritableOutputLeavesNothing_data()
{
    QTest::addColumn<bool>("ordinaryUser");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder of another user") << true << "Permission denied";
    QTest::newRow("full disk (file size limit)") << false << "File too large";
}

void ExportCommandTest::unwritableOutputLeavesNothing()
{
    QFETCH(bool, ordinaryUser);
    QFETCH(QString, reason);
    const QString out = path(QStringLiteral("unwritable-%1").arg(ordinaryUser));
    QVERIFY(QDir().mkpath(out));
    std::function<void()> inChild = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    if (ordinaryUser) {
        if (geteuid() == 0 && !othersMayRun(kProgram))
            QSKIP("an ordinary user cannot reach the built program here (the build lies in a private folder)");
        // Root ignores permissions: the run is an ordinary user's, in a folder root owns.
        QVERIFY(QFile::setPermissions(
            out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        if (geteuid() != 0)
            QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
        inChild = [] {
            constexpr gid_t kNobody = 65534;
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(99);
        };
    }
    const Run refused = run({"-o", out, path("music/Game.rsn")}, inChild);
    QCOMPARE(refused.status, 3);
    QVERIFY2(refused.errors.contains(reason), qPrintable(refused.errors));
    QCOMPARE(allFiles(out), QStringList());
}

void ExportCommandTest::interruptRemovesTheFileBeingWritten()
{
    QProcess process;
    process.start(kProgram,
                  {"--default-length", "3600", "-o", path("interrupted"), path("music/Game.rsn") + "\\02 Town.spc"});
    QVERIFY(process.waitForStarted());
    auto temporaries = [&] { return QDir(path("interrupted/Game")).entryList({"*.part"}, QDir::Files | QDir::Hidden); };
    QTRY_VERIFY_WITH_TIMEOUT(!temporaries().isEmpty(), 30000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 128 + SIGINT);
    QCOMPARE(allFiles(path("interrupted/Game")), QStringList());
}

QTEST_GUILESS_MAIN(ExportCommandTest)
#include "tst_export_command.moc"
