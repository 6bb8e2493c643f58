// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Track lists from playlists, archives and SPC files on disk, listed through
// the real archive library; and playlist text split by names alone.
#include "rar_builder.h"
#include "track_list.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
// "archive|member" with the archive relative to folder; "|file" for a lone file.
QStringList described(const QList<TrackRef> &tracks, const QDir &folder)
{
    QStringList out;
    for (const TrackRef &t : tracks) {
        out << (t.isArchiveMember() ? folder.relativeFilePath(t.archivePath) + u'|' + t.memberPath
                                    : u'|' + folder.relativeFilePath(t.memberPath));
        if (t.displayName != t.memberPath.section(u'\\', -1).section(u'/', -1))
            out << "wrong name " + t.displayName;
    }
    return out;
}
} // namespace

class TrackListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void resolve_data();
    void resolve();
    void parseByName();

private:
    UnrarLibrary m_library;
    QTemporaryDir m_dir;
};

void TrackListTest::initTestCase()
{
    QVERIFY2(m_library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(m_library.errorString()));
    QVERIFY(QDir::setCurrent(m_dir.path()) && QDir().mkdir("sub"));
    std::vector<testrar::Member> game = testrar::soundtrack(3, "Disc 1");
    std::tie(game[0].name, game[2].name) = std::pair("Caf\xC3\xA9.spc", "00 Title.spc");
    QVERIFY(testrar::writeFile("Game.rsn", testrar::build(testrar::Format::Rar4, game)));
    QVERIFY(testrar::writeFile("Other.RSN", testrar::build(testrar::Format::Rar5, testrar::soundtrack(1))));
    for (const QString &file :
         QString("broken.rsn=Rar!\x1A\x07\x01 broken,lone.spc=x,sniffed=SNES-SPC700 Sound File Data,"
                 "notes.txt=text,inner.m3u=lone.spc")
             .split(u','))
        QVERIFY(testrar::writeFile(file.section(u'=', 0, 0).toStdString(), file.section(u'=', 1).toStdString()));
}

void TrackListTest::resolve_data()
{
    QTest::addColumn<QByteArray>("playlist"); // written to sub/list.m3u, the one item, when not empty
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("tracks");
    QTest::addColumn<QStringList>("problems"); // how each one ends
    const QByteArray abs = QFile::encodeName(m_dir.path());
    const QStringList game = {"Game.rsn|00 Title.spc", "Game.rsn|Disc 1\\02 Track.spc", "Game.rsn|Café.spc"};
    QTest::newRow("ours with BOM, #EXTINF, CR LF; slashes, absolute, other case; Windows-1252, CR; whole archive")
        << "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:75,A - B\r\n..\\Other.RSN\\01 Track.spc\r\n" + abs
            + "/Game.rsn/disc 1//02 track.SPC\n\n# comment\n../Game.rsn\\Caf\xE9.spc\r../Game.rsn\r"
        << QStringList() << QStringList{"Other.RSN|01 Track.spc", game[1], game[2]} + game << QStringList();
    QTest::newRow("missing archive and member, long line, nested playlist")
        << "../Gone.rsn\\01.spc\n../Game.rsn\\99.spc\n" + QByteArray(40000, 'a') + "\n../inner.m3u\n../lone.spc"
        << QStringList() << QStringList{"|lone.spc"}
        << QStringList{":1: ../Gone.rsn\\01.spc: No such file",
                       ":2: ../Game.rsn\\99.spc: the archive holds no track 99.spc", ":3: longer than 32 KiB; skipped",
                       ":4: ../inner.m3u: a playlist named in a playlist is not followed"};
    QTest::newRow("items") << QByteArray()
                           << QString(
                                  "Game.rsn,Game.rsn\\Disc 1\\02 Track.spc,Other.RSN/01 Track.spc,sniffed,inner.m3u,"
                                  "notes.txt,broken.rsn,sub,Gone,Game.rsn/x")
                                  .split(u',')
                           << game + QStringList{game[1], "Other.RSN|01 Track.spc", "|sniffed", "|lone.spc"}
                           << QStringList{"not an SPC file, an RSN archive or a playlist", "corrupt or damaged",
                                          "sub: a folder, not a track, archive or playlist", "Gone: No such file",
                                          "Game.rsn/x: the archive holds no track x"};
}

void TrackListTest::resolve()
{
    QFETCH(QByteArray, playlist);
    QFETCH(QStringList, items);
    QFETCH(QStringList, tracks);
    QFETCH(QStringList, problems);
    if (!playlist.isEmpty()) {
        QVERIFY(testrar::writeFile("sub/list.m3u", playlist.toStdString()));
        items = {"sub/list.m3u"};
    }
    const TrackList list = ResolveTracks(items, &m_library.functions());
    QCOMPARE(described(list.tracks, m_dir.path()), tracks);
    QCOMPARE(list.problems.size(), problems.size());
    for (qsizetype i = 0; i < problems.size(); ++i)
        QVERIFY2(list.problems[i].endsWith(problems[i]), qPrintable(list.problems[i]));
}

void TrackListTest::parseByName()
{
    const QByteArray text = "A.rsn\\a\\b.spc\r\nx/Y.RSN//z.spc\nA.rsn\n/abs/B.rsn\\1.spc\nlone.sp2\nlist.m3u\n"
                            "a.rsn\\b.rsn\\c.spc\nnotes.txt\nfolder\\n.spc\n";
    QCOMPARE(described(ParsePlaylistText(text, "/f"), QDir("/")),
             QStringList({"f/A.rsn|a\\b.spc", "f/x/Y.RSN|z.spc", "abs/B.rsn|1.spc", "|f/lone.sp2",
                          "f/a.rsn|b.rsn\\c.spc", "|f/folder/n.spc"}));
}

QTEST_GUILESS_MAIN(TrackListTest)
#include "tst_track_list.moc"
