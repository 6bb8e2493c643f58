// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Names that would break the entry list ("*", "**") or the playlist (CR,
// LF), possible in archives made on Linux or by hand: from the library
// through ProcessArchive, SortEntries and PlaylistBytes they neither
// corrupt the other entries nor add a playlist line.
#include "engine_outcome.h"
#include "robustness_fixture.h"

using testrar::Format;
using testrar::Member;

namespace {
// What the playlist of an archive with the two good members (plus extra
// members) holds, sorted.
QByteArray playlistOf(const QString &archiveName, const QStringList &members)
{
    QByteArray bytes("#EXTM3U\r\n");
    for (const QString &member : members)
        bytes += QFile::encodeName(archiveName + u'\\' + member) + "\r\n";
    return bytes;
}

// The engine's whole path for one archive: listing, ordering, playlist text.
QByteArray playlistThroughEngine(const QString &path, EngineOutcome &outcome)
{
    outcome = listThroughEngine(path);
    return PlaylistBytes(SortEntries(outcome.entries, true));
}
} // namespace

class HostileNamesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_folder.installLibrary(), qPrintable(m_folder.error())); }

    void memberNames_data();
    void memberNames();
    void archiveNames_data();
    void archiveNames();

private:
    ArchiveFolder m_folder;
};

void HostileNamesTest::memberNames_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("name");  // UTF-8, "/" between parts
    QTest::addColumn<QString>("listedAs"); // "" when the member is not playable

    const QList<QPair<const char *, QByteArray>> unplayable = {
        {"star in the name", "x*y.spc"},
        {"name of stars", "**.spc"},
        {"entry separator inside", "a.spc**b.spc"},
        {"star ending the name", "a.spc*"},
        {"CR LF and a second name", "a.spc\r\nevil.spc"},
        {"LF and a second name", "a.spc\nevil.spc"},
        {"CR and a second name", "a.spc\revil.spc"},
        {"CR LF and a fake entry", "a.spc\r\nArc.rsn\\evil.spc*evil.spc"},
        {"line break ending the name", "evil.sp\n"},
        {"star in a folder", "Disc*1/01 Intro.spc"},
        {"line break in a folder", "Disc\r\n1/01 Intro.spc"},
        {"non-ASCII name with CR LF", "\xC3\x9C.spc\r\nevil.spc"},
        {"separator after .sp", "Disc 1/01 Intro.sp/"},
    };
    for (Format format : {Format::Rar4, Format::Rar5}) {
        for (const auto &[what, name] : unplayable)
            QTest::addRow("%s %s", formatName(format), what) << format << name << QString();
        // The header record ends a name at its first NUL: what follows is lost,
        // never turned into a second entry.
        QTest::addRow("%s NUL and a second name", formatName(format))
            << format << QByteArray("a.spc\0evil.spc", 14) << QStringLiteral("a.spc");
    }
}

void HostileNamesTest::memberNames()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, name);
    QFETCH(QString, listedAs);

    const Member hostile = fileMember(name.toStdString(), "evil");
    const QString path = m_folder.write(
        QStringLiteral("Arc.rsn"),
        testrar::build(format, {fileMember("02 Good.spc"), hostile, fileMember("01 Good.spc")}));
    EngineOutcome outcome;
    const QByteArray playlist = playlistThroughEngine(path, outcome);
    QCOMPARE(outcome.result, 0);
    QVERIFY(outcome.messages.isEmpty());
    QCOMPARE(entryListProblem(outcome.entries, path), QString());

    QStringList members{QStringLiteral("01 Good.spc"), QStringLiteral("02 Good.spc")};
    if (!listedAs.isEmpty())
        members << listedAs; // sorts after the digits
    QCOMPARE(playlist, playlistOf(QStringLiteral("Arc.rsn"), members));
    QCOMPARE(SortEntries(outcome.entries, false), members.join(u'*'));
}

void HostileNamesTest::archiveNames_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("archiveName");
    for (Format format : {Format::Rar4, Format::Rar5}) {
        QTest::addRow("%s star", formatName(format)) << format << QStringLiteral("Game*1.rsn");
        QTest::addRow("%s entry separator", formatName(format)) << format << QStringLiteral("Game**1.rsn");
        QTest::addRow("%s LF", formatName(format)) << format << QStringLiteral("Game\n1.rsn");
        QTest::addRow("%s CR LF", formatName(format)) << format << QStringLiteral("Game\r\n1.rsn");
        QTest::addRow("%s backslash", formatName(format)) << format << QStringLiteral("Disc\\Game.rsn");
    }
}

// The archive's own file name starts every playlist path: on systems whose
// file names may hold "*", line breaks or "\", such an archive yields no
// entry rather than broken or misleading ones.
void HostileNamesTest::archiveNames()
{
    QFETCH(Format, format);
    QFETCH(QString, archiveName);

    const QString path = m_folder.write(archiveName, testrar::build(format, testrar::soundtrack(3)));
    EngineOutcome outcome;
    const QByteArray playlist = playlistThroughEngine(path, outcome);
    QCOMPARE(outcome.result, 0);
    QVERIFY(outcome.messages.isEmpty());
    QCOMPARE(outcome.entries, QString());
    QCOMPARE(playlist, QByteArray("#EXTM3U\r\n\r\n"));
}

QTEST_GUILESS_MAIN(HostileNamesTest)
#include "tst_hostile_names.moc"
