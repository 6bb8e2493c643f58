// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-playlist run as a program over small built folders: the window's
// bytes, --extinf, --check, --recursive, the overwrite rules, exit statuses.
#include "paths.h"
#include "playlist_build.h"
#include "playlist_file.h"
#include "playlist_folder.h"
#include "rar_builder.h"
#include "unrar_library.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using testrar::Format;
using testrar::Member;

namespace {
const QString kProgram = QStringLiteral(MARROWFEN_PLAYLIST_PATH);

Member track(const std::string &name, const std::string &title, const std::string &artist, const char *seconds)
{
    std::string spc(0x10200, '\0');
    spc.replace(0, 27, "SNES-SPC700 Sound File Data");
    spc[0x23] = 26;
    spc.replace(0x2E, title.size(), title);
    spc.replace(0xA9, std::strlen(seconds), seconds);
    spc.replace(0xB1, artist.size(), artist);
    Member m;
    m.name = name;
    m.data = spc;
    return m;
}

Member plain(const std::string &name)
{
    Member m;
    m.name = name;
    m.data = "not an SPC file";
    return m;
}

struct Run {
    int status;
    QByteArray errors;
};

Run run(const QStringList &arguments)
{
    QProcess process;
    process.start(kProgram, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {-1, "timed out"};
    return {process.exitCode(), process.readAllStandardError()};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class PlaylistCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playlists_data();
    void playlists();
    void plainBytesAreTheWindowsBuild();
    void overwriteRules();
    void missingFolderOrLibrary();

private:
    void write(const QString &name, Format format, const std::vector<Member> &members);
    QTemporaryDir m_dir;
};

void PlaylistCommandTest::write(const QString &name, Format format, const std::vector<Member> &members)
{
    QVERIFY(m_dir.isValid());
    QDir().mkpath(QFileInfo(m_dir.filePath(name)).path());
    QVERIFY(testrar::writeFile(m_dir.filePath(name).toStdString(), testrar::build(format, members)));
}

void PlaylistCommandTest::initTestCase()
{
    write("A Tags.rsn", Format::Rar5,
          {track("02 Theme.spc", "Theme", "", "60"), track("01 Intro.spc", "Intro", "Composer", "125"),
           plain("readme.txt")});
    Member locked = track("03 Locked.spc", "Locked", "", "10");
    locked.encryptedData = true;
    write("B Faults.rsn", Format::Rar4, {track("01 Bad.spc", "Bad", "", "30"), plain("02 Untagged.spc"), locked});
    // The first track's data no longer matches its checksum.
    std::string damaged = testrar::build(Format::Rar4,
                                         {track("01 Bad.spc", "Bad", "", "30"), plain("02 Untagged.spc"), locked});
    damaged[damaged.find("SNES-SPC700") + 0x100] ^= 1;
    QVERIFY(testrar::writeFile(m_dir.filePath("B Faults.rsn").toStdString(), damaged));
    QVERIFY(testrar::writeFile(m_dir.filePath("C Broken.rsn").toStdString(), "no archive"));
    write("Sub/D.rsn", Format::Rar5, {track("x.spc", "X", "", "15")});
    QVERIFY(QFile::link("..", m_dir.filePath("Sub/Loop")));
}

void PlaylistCommandTest::playlists_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("playlist");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("errors");

    const QByteArray broken = "marrowfen-playlist: Error code 13: " + QFile::encodeName(m_dir.filePath("C Broken.rsn"))
        + ": The archive is corrupt or damaged\n";
    QTest::newRow("plain, named archives in the file list's order")
        << QStringList{"-o", "named", m_dir.path(), "B Faults.rsn", "A Tags.rsn"} << "named.m3u" << 0
        << QByteArray("#EXTM3U\r\nA Tags.rsn\\01 Intro.spc\r\nA Tags.rsn\\02 Theme.spc\r\nB Faults.rsn\\01 Bad.spc\r\n"
                      "B Faults.rsn\\02 Untagged.spc\r\nB Faults.rsn\\03 Locked.spc\r\n")
        << QByteArray();
    const QByteArray tagged = "#EXTM3U\r\n#EXTINF:125,Composer - Intro\r\nA Tags.rsn\\01 Intro.spc\r\n"
                              "#EXTINF:60,Theme\r\nA Tags.rsn\\02 Theme.spc\r\n";
    QTest::newRow("--extinf, one worker")
        << QStringList{"--extinf", "-j", "1", "-o", "extinf1", m_dir.path()} << "extinf1.m3u" << 1
        << tagged
            + "#EXTINF:-1,01 Bad.spc\r\nB Faults.rsn\\01 Bad.spc\r\n#EXTINF:-1,02 Untagged.spc\r\n"
              "B Faults.rsn\\02 Untagged.spc\r\n#EXTINF:-1,03 Locked.spc\r\nB Faults.rsn\\03 Locked.spc\r\n\r\n"
        << broken;
    QTest::newRow("--extinf --check, all workers")
        << QStringList{"--extinf", "--check", "-o", "checked", m_dir.path()} << "checked.m3u" << 1
        << tagged + "#EXTINF:-1,02 Untagged.spc\r\nB Faults.rsn\\02 Untagged.spc\r\n\r\n"
        << "marrowfen-playlist: Error code 12: " + QFile::encodeName(m_dir.filePath("B Faults.rsn"))
            + "\\01 Bad.spc: The file is corrupt or damaged; left out\nmarrowfen-playlist: "
            + QFile::encodeName(m_dir.filePath("B Faults.rsn")) + "\\03 Locked.spc: The file is encrypted; left out\n"
            + broken;
    QTest::newRow("--recursive: a playlist below")
        << QStringList{"-r", "-q", "--extinf", "-o", "deep", m_dir.path()} << "Sub/deep.m3u" << 1
        << QByteArray("#EXTM3U\r\n#EXTINF:15,X\r\nD.rsn\\x.spc\r\n")
        << "marrowfen-playlist: " + QFile::encodeName(m_dir.filePath("Sub/Loop")) + ": The folder is a link back into "
            + QFile::encodeName(m_dir.path()) + "; skipped\n" + broken;
    QTest::newRow("unknown archive: usage")
        << QStringList{m_dir.path(), "Z.rsn"} << "RSN Playlist.m3u" << 2 << QByteArray()
        << "marrowfen-playlist: Z.rsn: No such archive in " + QFile::encodeName(m_dir.path()) + "\n";
}

void PlaylistCommandTest::playlists()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, playlist);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, errors);
    const Run result = run(arguments);
    QCOMPARE(result.errors, errors);
    QCOMPARE(result.status, status);
    QCOMPARE(fileBytes(m_dir.filePath(playlist)), expected);
}

void PlaylistCommandTest::plainBytesAreTheWindowsBuild()
{
    UnrarLibrary library;
    QVERIFY(library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)));
    setArchiveLibrary(&library.functions());
    const QByteArray window = PlaylistBytes(
        BuildPathList(m_dir.path(), FolderFileNames(m_dir.path(), QString::fromUtf16(ArchivePattern))));
    setArchiveLibrary(nullptr);
    QCOMPARE(run({"-f", m_dir.path()}).status, 1);
    QCOMPARE(fileBytes(m_dir.filePath("RSN Playlist.m3u")), window);
}

void PlaylistCommandTest::overwriteRules()
{
    const QString target = m_dir.filePath("kept.m3u");
    QVERIFY(testrar::writeFile(target.toStdString(), "#EXTM3U\r\nold\r\n"));
    const Run refused = run({"-o", "kept", m_dir.path(), "A Tags.rsn"});
    QCOMPARE(refused.status, 3);
    QVERIFY(refused.errors.contains("already exists; not overwritten"));
    QCOMPARE(fileBytes(target), QByteArray("#EXTM3U\r\nold\r\n"));
    QCOMPARE(run({"-f", "-o", "kept", m_dir.path(), "A Tags.rsn"}).status, 0);
    QVERIFY(fileBytes(target).contains("Intro"));
    QVERIFY(testrar::writeFile(target.toStdString(), ""));
    QCOMPARE(run({"-o", "kept", m_dir.path(), "A Tags.rsn"}).status, 0); // an empty file is not asked about
    QVERIFY(QDir(m_dir.path()).mkdir("taken.m3u"));
    const Run failed = run({"-o", "taken", m_dir.path(), "A Tags.rsn"});
    QCOMPARE(failed.status, 3);
    QVERIFY(failed.errors.contains("taken.m3u\" could not be written: "));
}

void PlaylistCommandTest::missingFolderOrLibrary()
{
    QCOMPARE(run({m_dir.filePath("nowhere")}).status, 2);
    QCOMPARE(run({}).status, 2);
    QTemporaryDir alone;
    const QString copy = alone.filePath("marrowfen-playlist");
    QVERIFY(QFile::copy(kProgram, copy));
    QProcess process;
    process.start(copy, {m_dir.path()});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(process.readAllStandardError(),
             "marrowfen-playlist: " + UnrarLibrary::missingPrompt().replace("\r\n", "\n").toUtf8() + "\n");
}

QTEST_GUILESS_MAIN(PlaylistCommandTest)
#include "tst_playlist_command.moc"
