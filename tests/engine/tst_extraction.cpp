// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listing through a scripted in-process archive library: the calls made,
// the messages shown, and the entries left in ArchiveEntries.
#include "extraction.h"
#include "fake_unrar.h"
#include "interaction_recorder.h"

#include <QFile>
#include <QTest>

namespace {
const QString kFolder = QStringLiteral("/music/Some Folder");
const QString kArchive = kFolder + QStringLiteral("/Game.rsn");

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

fake::Archive archiveOf(const QList<QByteArray> &names, int endCode = ERAR_END_ARCHIVE)
{
    fake::Archive archive;
    for (const QByteArray &name : names)
        archive.members.append({name, 100});
    archive.endCode = endCode;
    return archive;
}

// What ArchiveEntries should hold for members of kArchive: "path*name" pairs.
QString entriesOf(const QStringList &pathAndNames)
{
    QStringList entries;
    for (qsizetype i = 0; i + 1 < pathAndNames.size(); i += 2)
        entries << QStringLiteral("Game.rsn\\") + pathAndNames[i] + u'*' + pathAndNames[i + 1];
    return entries.join(QStringLiteral("**"));
}
} // namespace

class ExtractionTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        fake::reset();
        setArchiveLibrary(&fake::functions());
        ArchiveEntries = QStringLiteral("left over from an earlier listing");
    }
    void cleanup()
    {
        QCOMPARE(fake::openHandles(), 0); // every handle given out was closed
        setArchiveLibrary(nullptr);
        fake::reset();
    }

    void callSequence_data();
    void callSequence();
    void openRecord();
    void openFailure_data();
    void openFailure();
    void endOfListing_data();
    void endOfListing();
    void playableMembers_data();
    void playableMembers();
    void nameWithoutNul();
    void archiveNameFromPath_data();
    void archiveNameFromPath();
    void consecutiveListings();
    void listingStartedDuringYield();
    void otherActions_data();
    void otherActions();
    void noLibraryInstalled();
    void successWithoutHandle();
};

void ExtractionTest::callSequence_data()
{
    QTest::addColumn<QList<QByteArray>>("members");
    QTest::addColumn<int>("endCode");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("expectedCalls");

    QTest::newRow("no members") << QList<QByteArray>{} << ERAR_END_ARCHIVE << QString()
                                << QStringList{"open Game.rsn", "read 10", "close"};
    QTest::newRow("one playable, one not")
        << QList<QByteArray>{"a.spc", "b.txt"} << ERAR_END_ARCHIVE << QString()
        << QStringList{"open Game.rsn", "read 0", "yield", "skip", "read 0", "yield", "skip", "read 10", "close"};
    QTest::newRow("password handed over before the first header")
        << QList<QByteArray>{"a.spc"} << ERAR_END_ARCHIVE << QStringLiteral("secret")
        << QStringList{"open Game.rsn", "password secret", "read 0", "yield", "skip", "read 10", "close"};
    QTest::newRow("non-ASCII password in the file-name encoding")
        << QList<QByteArray>{} << ERAR_END_ARCHIVE << QStringLiteral("pässwörd")
        << QStringList{"open Game.rsn", "password pässwörd", "read 10", "close"};
    QTest::newRow("encrypted names: message before close")
        << QList<QByteArray>{"a.spc"} << ERAR_UNKNOWN << QString()
        << QStringList{"open Game.rsn", "read 0", "yield", "skip", "read 21", "message", "close"};
    QTest::newRow("read error: silent, still closed")
        << QList<QByteArray>{"a.spc"} << ERAR_BAD_DATA << QString()
        << QStringList{"open Game.rsn", "read 0", "yield", "skip", "read 12", "close"};
    QTest::newRow("yield once per member, playable or not")
        << QList<QByteArray>{"1.spc", "dir", "2.txt", "3.spc"} << ERAR_END_ARCHIVE << QString()
        << QStringList{"open Game.rsn", "read 0", "yield",  "skip",  "read 0", "yield",   "skip", "read 0",
                       "yield",         "skip",   "read 0", "yield", "skip",   "read 10", "close"};
}

void ExtractionTest::callSequence()
{
    QFETCH(QList<QByteArray>, members);
    QFETCH(int, endCode);
    QFETCH(QString, password);
    QFETCH(QStringList, expectedCalls);

    fake::addArchive(encoded(kArchive), archiveOf(members, endCode));
    InteractionRecorder recorder(&fake::log());
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, password), 0);
    QCOMPARE(fake::log(), expectedCalls);
}

void ExtractionTest::openRecord()
{
    fake::addArchive(encoded(kArchive), archiveOf({"a.spc"}));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    const fake::OpenRecord &record = fake::lastOpen();
    QCOMPARE(record.arcName, encoded(kArchive));
    QCOMPARE(record.openMode, unsigned(RAR_OM_EXTRACT));
    QCOMPARE(record.cmtBufSize, 16384u);
    QVERIFY(record.commentAllSpaces);
}

void ExtractionTest::openFailure_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("handleReturned");
    QTest::addColumn<QString>("text"); // empty: no message
    QTest::addColumn<int>("style");

    const struct {
        int code;
        const char *text;
        int style;
    } known[] = {
        {10, ": Unexpected End of Archive", 48},
        {11, ": Not enough memory to open the archive", 48},
        {12, ": The archive header corrupt or damaged", 16},
        {13, ": The archive is corrupt or damaged", 16},
        {14, ": The Comment is in an unknown format", 48},
        {15, ": There was an error that occured when the archive was opened", 16},
        {16, ": There was an error when the file was created", 16},
        {17,
         ": There was an error closing the archive meaning it is still in the memory. Please terminate "
         "the program's process to reclaim this memory space",
         16},
    };
    for (const auto &row : known) {
        for (bool handle : {false, true}) {
            QTest::addRow("%d%s", row.code, handle ? ", handle returned" : "")
                << row.code << handle << QString::fromLatin1(row.text) << row.style;
        }
    }
    for (int code : {1, 9, 18, 19, 20, 21, 22, 255}) {
        QTest::addRow("%d: no message", code) << code << false << QString() << 0;
        QTest::addRow("%d: no message, handle returned", code) << code << true << QString() << 0;
    }
}

void ExtractionTest::openFailure()
{
    QFETCH(int, code);
    QFETCH(bool, handleReturned);
    QFETCH(QString, text);
    QFETCH(int, style);

    fake::Archive archive = archiveOf({"a.spc"});
    archive.openResult = unsigned(code);
    archive.handleOnFailure = handleReturned;
    fake::addArchive(encoded(kArchive), archive);

    InteractionRecorder recorder(&fake::log());
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QStringLiteral("secret")), -1);
    QCOMPARE(ArchiveEntries, QString());

    QStringList expectedCalls{"open Game.rsn"};
    if (!text.isEmpty())
        expectedCalls << "message";
    if (handleReturned)
        expectedCalls << "close";
    QCOMPARE(fake::log(), expectedCalls);

    if (text.isEmpty()) {
        QVERIFY(recorder.messages().isEmpty());
        return;
    }
    QCOMPARE(recorder.messages().size(), 1);
    QCOMPARE(recorder.messages()[0].prompt, kArchive + text);
    QCOMPARE(recorder.messages()[0].title, QStringLiteral("Error code %1").arg(code));
    QCOMPARE(recorder.messages()[0].style, style);
}

void ExtractionTest::endOfListing_data()
{
    QTest::addColumn<int>("endCode");
    QTest::addColumn<bool>("message");

    QTest::newRow("10: end of archive") << ERAR_END_ARCHIVE << false;
    QTest::newRow("21: encrypted names") << ERAR_UNKNOWN << true;
    for (int code : {1, 11, 12, 13, 18, 20, 22})
        QTest::addRow("%d: read error", code) << code << false;
}

void ExtractionTest::endOfListing()
{
    QFETCH(int, endCode);
    QFETCH(bool, message);

    fake::addArchive(encoded(kArchive), archiveOf({"01 Intro.spc", "notes.txt", "02 Boss.spc"}, endCode));
    InteractionRecorder recorder;
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    QCOMPARE(ArchiveEntries, entriesOf({"01 Intro.spc", "01 Intro.spc", "02 Boss.spc", "02 Boss.spc"}));

    if (!message) {
        QVERIFY(recorder.messages().isEmpty());
        return;
    }
    QCOMPARE(recorder.messages().size(), 1);
    QCOMPARE(recorder.messages()[0].prompt,
             QStringLiteral("Filenames in file ") + kArchive
                 + QStringLiteral(" encrypted. Unzip archive, and reRAR without a password"));
    QCOMPARE(recorder.messages()[0].title, QStringLiteral("Marrowfen"));
    QCOMPARE(recorder.messages()[0].style, 0);
}

void ExtractionTest::playableMembers_data()
{
    QTest::addColumn<QByteArray>("fileName");
    QTest::addColumn<uint>("size");
    QTest::addColumn<QString>("entry"); // empty: not playable

    const uint twoGiB = 0x80000000u;
    QTest::newRow("lower-case .spc") << QByteArray("a.spc") << 100u << "Game.rsn\\a.spc*a.spc";
    QTest::newRow("upper-case .SPC") << QByteArray("a.SPC") << 100u << "Game.rsn\\a.SPC*a.SPC";
    QTest::newRow("any last character") << QByteArray("b.spx") << 100u << "Game.rsn\\b.spx*b.spx";
    QTest::newRow("four characters are enough") << QByteArray(".spc") << 100u << "Game.rsn\\.spc*.spc";
    QTest::newRow("non-ASCII last character")
        << QByteArray("A.SP\xC3\xA9") << 100u << QString::fromUtf8("Game.rsn\\A.SP\xC3\xA9*A.SP\xC3\xA9");
    QTest::newRow(".sp without a last character") << QByteArray("a.sp") << 100u << QString();
    QTest::newRow("no extension") << QByteArray("abc") << 100u << QString();
    QTest::newRow("three characters") << QByteArray("spc") << 100u << QString();
    QTest::newRow("longer extension") << QByteArray("a.spcx") << 100u << QString();
    QTest::newRow("text file") << QByteArray("readme.txt") << 100u << QString();
    QTest::newRow("empty file") << QByteArray("empty.spc") << 0u << QString();
    QTest::newRow("one byte") << QByteArray("tiny.spc") << 1u << "Game.rsn\\tiny.spc*tiny.spc";
    QTest::newRow("2 GiB - 1") << QByteArray("big.spc") << twoGiB - 1 << "Game.rsn\\big.spc*big.spc";
    QTest::newRow("2 GiB") << QByteArray("huge.spc") << twoGiB << QString();
    QTest::newRow("4 GiB - 1") << QByteArray("huge.spc") << 0xFFFFFFFFu << QString();
    QTest::newRow("folder named like a file") << QByteArray("Music.spc") << 0u << QString();
    QTest::newRow("sub-folder, RAR 4 separator")
        << QByteArray("Extra\\02 Boss.spc") << 100u << "Game.rsn\\Extra\\02 Boss.spc*02 Boss.spc";
    QTest::newRow("sub-folders, \"/\" from the library")
        << QByteArray("Extra/Deep/03 End.spc") << 100u << "Game.rsn\\Extra\\Deep\\03 End.spc*03 End.spc";
    QTest::newRow("UTF-8 name") << QByteArray("Gr\xC3\xBC\xC3\x9F"
                                              "e/\xE6\x97\xA5\xE6\x9C\xAC.spc")
                                << 100u
                                << QString::fromUtf8("Game.rsn\\Gr\xC3\xBC\xC3\x9F"
                                                     "e\\\xE6\x97\xA5\xE6\x9C\xAC.spc*\xE6\x97\xA5\xE6\x9C\xAC.spc");
    QTest::newRow("name ends at the first NUL") << QByteArray("a.spc\0.txt", 10) << 100u << "Game.rsn\\a.spc*a.spc";
    QTest::newRow("extension after the NUL does not count") << QByteArray("a.txt\0.spc", 10) << 100u << QString();
    // These would split or break an entry or a playlist line.
    QTest::newRow("star") << QByteArray("a*b.spc") << 100u << QString();
    QTest::newRow("double star") << QByteArray("x**y.spc") << 100u << QString();
    QTest::newRow("star in a folder") << QByteArray("dir*/x.spc") << 100u << QString();
    QTest::newRow("carriage return") << QByteArray("a\rb.spc") << 100u << QString();
    QTest::newRow("line feed") << QByteArray("a\nb.spc") << 100u << QString();
}

void ExtractionTest::playableMembers()
{
    QFETCH(QByteArray, fileName);
    QFETCH(uint, size);
    QFETCH(QString, entry);

    // Between two ordinary members, so a bad name cannot hide damage to its neighbours.
    fake::Archive archive;
    archive.members = {{"first.spc", 10}, {fileName, size}, {"last.spc", 10}};
    fake::addArchive(encoded(kArchive), archive);

    InteractionRecorder recorder;
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    QStringList expected{QStringLiteral("Game.rsn\\first.spc*first.spc")};
    if (!entry.isEmpty())
        expected << entry;
    expected << QStringLiteral("Game.rsn\\last.spc*last.spc");
    QCOMPARE(ArchiveEntries, expected.join(QStringLiteral("**")));
    QCOMPARE(recorder.yields(), 3);
    QVERIFY(recorder.messages().isEmpty());
}

void ExtractionTest::nameWithoutNul()
{
    // A name that fills the whole 260-byte field has no NUL: all of it counts.
    const QByteArray full = QByteArray(256, 'x') + ".spc";
    // Longer than the field: the library cuts it, so it no longer ends in .spc.
    const QByteArray cut = QByteArray(300, 'y') + ".spc";
    fake::addArchive(encoded(kArchive), archiveOf({full, cut}));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    const QString name = QString::fromLatin1(full);
    QCOMPARE(ArchiveEntries, QStringLiteral("Game.rsn\\") + name + u'*' + name);
}

void ExtractionTest::archiveNameFromPath_data()
{
    QTest::addColumn<QString>("archivePath");
    QTest::addColumn<QString>("entries");

    QTest::newRow("folder path") << QStringLiteral("/music/Some Folder/Game.rsn") << "Game.rsn\\a.spc*a.spc";
    QTest::newRow("root folder") << QStringLiteral("/Game.rsn") << "Game.rsn\\a.spc*a.spc";
    QTest::newRow("no folder") << QStringLiteral("Game.rsn") << "Game.rsn\\a.spc*a.spc";
    QTest::newRow("non-ASCII") << QStringLiteral("/música/Jüego Ω.rsn") << "Jüego Ω.rsn\\a.spc*a.spc";
    // Its name starts every playlist path: one that would break the entry list gives no entries.
    QTest::newRow("star in the archive name") << QStringLiteral("/music/A*B.rsn") << QString();
    QTest::newRow("line feed in the archive name") << QStringLiteral("/music/A\nB.rsn") << QString();
    QTest::newRow("carriage return in the archive name") << QStringLiteral("/music/A\rB.rsn") << QString();
    QTest::newRow("star in a folder only") << QStringLiteral("/mu*sic/Game.rsn") << "Game.rsn\\a.spc*a.spc";
}

void ExtractionTest::archiveNameFromPath()
{
    QFETCH(QString, archivePath);
    QFETCH(QString, entries);

    fake::addArchive(encoded(archivePath), archiveOf({"a.spc"}));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), archivePath, QString()), 0);
    QCOMPARE(fake::lastOpen().arcName, encoded(archivePath));
    QCOMPARE(ArchiveEntries, entries);
}

void ExtractionTest::consecutiveListings()
{
    const QString other = kFolder + QStringLiteral("/Other.rsn");
    fake::addArchive(encoded(kArchive), archiveOf({"a.spc", "b.spc"}));
    fake::addArchive(encoded(other), archiveOf({"c.spc"}));
    fake::addArchive(encoded(kFolder + QStringLiteral("/Text.rsn")), archiveOf({"notes.txt"}));

    InteractionRecorder recorder;
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    QCOMPARE(ArchiveEntries, entriesOf({"a.spc", "a.spc", "b.spc", "b.spc"}));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), other, QString()), 0);
    QCOMPARE(ArchiveEntries, QStringLiteral("Other.rsn\\c.spc*c.spc"));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kFolder + QStringLiteral("/Text.rsn"), QString()), 0);
    QCOMPARE(ArchiveEntries, QString());
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kFolder + QStringLiteral("/Missing.rsn"), QString()), -1);
    QCOMPARE(ArchiveEntries, QString());
    QCOMPARE(recorder.messages().size(), 1); // the missing archive's "Error code 15"
}

void ExtractionTest::listingStartedDuringYield()
{
    // The window is meant to prevent this; if a listing starts anyway, the
    // outer one must still end with its own entries, unmixed.
    const QString other = kFolder + QStringLiteral("/Other.rsn");
    fake::addArchive(encoded(kArchive), archiveOf({"a.spc", "b.spc", "c.spc"}));
    fake::addArchive(encoded(other), archiveOf({"x.spc", "y.spc"}));

    InteractionRecorder recorder;
    QString inner;
    recorder.onYield = [&](int yield) {
        if (yield == 2) {
            QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), other, QString()), 0);
            inner = ArchiveEntries;
        }
    };
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), 0);
    QCOMPARE(inner, QStringLiteral("Other.rsn\\x.spc*x.spc**Other.rsn\\y.spc*y.spc"));
    QCOMPARE(ArchiveEntries, entriesOf({"a.spc", "a.spc", "b.spc", "b.spc", "c.spc", "c.spc"}));
}

void ExtractionTest::otherActions_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("lower case") << QStringLiteral("obtainlist");
    QTest::newRow("trailing space") << QStringLiteral("ObtainList ");
    QTest::newRow("empty") << QString();
    QTest::newRow("extract") << QStringLiteral("Extract");
}

void ExtractionTest::otherActions()
{
    QFETCH(QString, action);
    fake::addArchive(encoded(kArchive), archiveOf({"a.spc"}));
    InteractionRecorder recorder;
    ProcessArchive(action, kArchive, QString());
    QCOMPARE(ArchiveEntries, QString());
    QVERIFY(fake::log().isEmpty());
    QVERIFY(recorder.messages().isEmpty());
}

void ExtractionTest::noLibraryInstalled()
{
    setArchiveLibrary(nullptr);
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QString()), -1);
    QCOMPARE(ArchiveEntries, QString());
}

void ExtractionTest::successWithoutHandle()
{
    // A library that reports success but hands back no handle has not opened
    // the archive: no header is read through a null handle.
    fake::Archive archive = archiveOf({"a.spc"});
    archive.noHandle = true;
    fake::addArchive(encoded(kArchive), archive);
    InteractionRecorder recorder(&fake::log());
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), kArchive, QStringLiteral("secret")), -1);
    QCOMPARE(ArchiveEntries, QString());
    QCOMPARE(fake::log(), (QStringList{"open Game.rsn", "message"}));
    QCOMPARE(recorder.messages()[0].title, QStringLiteral("Error code 15"));
}

QTEST_GUILESS_MAIN(ExtractionTest)
#include "tst_extraction.moc"
