// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listing archives written by the test archive builder through the real
// archive library, loaded from the build's program folder.
#include "entry_list.h"
#include "extraction.h"
#include "interaction_recorder.h"
#include "rar_builder.h"
#include "unrar_library.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using testrar::Format;
using testrar::Member;

namespace {
Member file(const std::string &name, std::uint64_t size = 0, bool sizeClaimed = false)
{
    Member m;
    m.name = name;
    m.data = sizeClaimed ? std::string("data") : std::string(size, 's');
    if (sizeClaimed)
        m.unpackedSize = size;
    return m;
}

Member folder(const std::string &name)
{
    Member m;
    m.name = name;
    m.directory = true;
    return m;
}

testrar::Options optionsWith(bool solid, bool encryptedHeaders = false, const std::string &comment = {})
{
    testrar::Options options;
    options.solid = solid;
    options.encryptedHeaders = encryptedHeaders;
    options.comment = comment;
    return options;
}

struct Case {
    const char *name;
    std::vector<Member> members;
    testrar::Options options;
    QStringList entries; // "inner path|display name" in header order
    bool encryptedNamesMessage = false;
};

std::vector<Case> cases()
{
    Member encrypted = file("locked.spc", 64);
    encrypted.encryptedData = true;
    Member rawUtf8 = file("na\xC3\xAFve.spc", 10);
    rawUtf8.unicodeEncodedName = false;

    return {
        {"example: root, sub-folder, other file",
         {file("01 Intro.spc", 66), file("Extra/02 Boss.spc", 66), file("readme.txt", 10)},
         {},
         {"01 Intro.spc|01 Intro.spc", "Extra\\02 Boss.spc|02 Boss.spc"}},
        {"solid soundtrack listed whole",
         testrar::soundtrack(12),
         optionsWith(true),
         {"01 Track.spc|01 Track.spc", "02 Track.spc|02 Track.spc", "03 Track.spc|03 Track.spc",
          "04 Track.spc|04 Track.spc", "05 Track.spc|05 Track.spc", "06 Track.spc|06 Track.spc",
          "07 Track.spc|07 Track.spc", "08 Track.spc|08 Track.spc", "09 Track.spc|09 Track.spc",
          "10 Track.spc|10 Track.spc", "11 Track.spc|11 Track.spc", "12 Track.spc|12 Track.spc"}},
        {"header order kept",
         {file("c.spc", 5), file("A.spc", 5), file("b.SPC", 5)},
         {},
         {"c.spc|c.spc", "A.spc|A.spc", "b.SPC|b.SPC"}},
        {"only other files and folders", {folder("Music"), file("Music/readme.txt", 9), file("a.sp", 9)}, {}, {}},
        {"folders and deep sub-folders",
         {folder("Disc 1"), folder("Disc 1/Extra"), file("Disc 1/Extra/03 End.spc", 7), file("Disc 1/01.spc", 7)},
         {},
         {"Disc 1\\Extra\\03 End.spc|03 End.spc", "Disc 1\\01.spc|01.spc"}},
        {"sizes",
         {file("empty.spc", 0), file("one.spc", 1), file("big.spc", 0x7FFFFFFFull, true),
          file("two GiB.spc", 0x80000000ull, true), file("three GB.spc", 3000000000ull, true)},
         {},
         {"one.spc|one.spc", "big.spc|big.spc"}},
        {"Unicode names",
         {file("Gr\xC3\xBC\xC3\x9F"
               "e/\xE6\x97\xA5\xE6\x9C\xAC.spc",
               8),
          file("\xD0\x9F\xD1\x80\xD0\xB8.spc", 8), rawUtf8},
         {},
         {QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                            "e\\\xE6\x97\xA5\xE6\x9C\xAC.spc|\xE6\x97\xA5\xE6\x9C\xAC.spc"),
          QString::fromUtf8("\xD0\x9F\xD1\x80\xD0\xB8.spc|\xD0\x9F\xD1\x80\xD0\xB8.spc"),
          QString::fromUtf8("na\xC3\xAFve.spc|na\xC3\xAFve.spc")}},
        {"encrypted data still listed",
         {file("open.spc", 5), encrypted},
         {},
         {"open.spc|open.spc", "locked.spc|locked.spc"}},
        {"archive comment", {file("a.spc", 5)}, optionsWith(false, false, "Ripped by nobody"), {"a.spc|a.spc"}},
        {"encrypted names", {file("a.spc", 5)}, optionsWith(false, true), {}, true},
    };
}

QString entriesFor(const QString &archiveName, const QStringList &entries)
{
    QStringList out;
    for (const QString &entry : entries)
        out << archiveName + u'\\' + entry.section(u'|', 0, 0) + u'*' + entry.section(u'|', 1);
    return out.join(QStringLiteral("**"));
}

QString encryptedNamesText(const QString &path)
{
    return QStringLiteral("Filenames in file ") + path
        + QStringLiteral(" encrypted. Unzip archive, and reRAR without a password");
}
} // namespace

class RealLibraryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(m_library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(m_library.errorString()));
        setArchiveLibrary(&m_library.functions());
        QVERIFY(m_dir.isValid());
    }
    void cleanupTestCase() { setArchiveLibrary(nullptr); }

    void listing_data();
    void listing();
    void openFailures_data();
    void openFailures();
    void truncatedArchive_data();
    void truncatedArchive();
    void stableCaseInsensitiveOrder_data();
    void stableCaseInsensitiveOrder();
    void consecutiveListings();

private:
    QString write(const QString &name, const std::string &bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!testrar::writeFile(QFile::encodeName(path).toStdString(), bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    UnrarLibrary m_library;
    QTemporaryDir m_dir;
};

void RealLibraryTest::listing_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("caseIndex");
    QTest::addColumn<bool>("solid");

    const auto all = cases();
    for (int i = 0; i < int(all.size()); ++i) {
        for (Format format : {Format::Rar4, Format::Rar5}) {
            const char *formatName = format == Format::Rar4 ? "RAR4" : "RAR5";
            QTest::addRow("%s, %s", formatName, all[i].name) << int(format) << i << all[i].options.solid;
            if (!all[i].options.solid && !all[i].options.encryptedHeaders)
                QTest::addRow("%s solid, %s", formatName, all[i].name) << int(format) << i << true;
        }
    }
}

void RealLibraryTest::listing()
{
    QFETCH(int, format);
    QFETCH(int, caseIndex);
    QFETCH(bool, solid);

    const Case c = cases()[caseIndex];
    testrar::Options options = c.options;
    options.solid = solid;
    const QString path = write(QStringLiteral("Gäme %1.rsn").arg(QTest::currentDataTag()).replace(u',', u'_'),
                               testrar::build(Format(format), c.members, options));
    const QString archiveName = path.section(u'/', -1);

    InteractionRecorder recorder;
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), path, QString()), 0);
    QCOMPARE(ArchiveEntries, entriesFor(archiveName, c.entries));
    if (c.encryptedNamesMessage) {
        QCOMPARE(recorder.messages().size(), 1);
        QCOMPARE(recorder.messages()[0].prompt, encryptedNamesText(path));
        QCOMPARE(recorder.messages()[0].title, QStringLiteral("Marrowfen"));
        QCOMPARE(recorder.messages()[0].style, 0);
    } else {
        QVERIFY(recorder.messages().isEmpty());
        QCOMPARE(recorder.yields(), int(c.members.size()));
    }
}

void RealLibraryTest::openFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: no file at all
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("style");

    const QString notOpened = QStringLiteral(": There was an error that occured when the archive was opened");
    const QString damaged = QStringLiteral(": The archive is corrupt or damaged");
    QTest::newRow("missing file") << QStringLiteral("Missing Ω.rsn") << QByteArray() << notOpened << 15 << 16;
    QTest::newRow("text file") << QStringLiteral("Text.rsn") << QByteArray("just some text, not an archive\n")
                               << damaged << 13 << 16;
    QTest::newRow("empty file") << QStringLiteral("Empty.rsn") << QByteArray("") << damaged << 13 << 16;
    QTest::newRow("zip file") << QStringLiteral("Zip.rsn") << QByteArray("PK\x03\x04\x14\0\0\0", 8) << damaged << 13
                              << 16;
}

void RealLibraryTest::openFailures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(int, style);

    const QString path = bytes.isNull() ? m_dir.filePath(name) : write(name, bytes.toStdString());
    ArchiveEntries = QStringLiteral("earlier");
    InteractionRecorder recorder;
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), path, QString()), -1);
    QCOMPARE(ArchiveEntries, QString());
    QCOMPARE(recorder.messages().size(), 1);
    QCOMPARE(recorder.messages()[0].prompt, path + text);
    QCOMPARE(recorder.messages()[0].title, QStringLiteral("Error code %1").arg(code));
    QCOMPARE(recorder.messages()[0].style, style);
}

void RealLibraryTest::truncatedArchive_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("RAR4") << int(Format::Rar4);
    QTest::newRow("RAR5") << int(Format::Rar5);
}

void RealLibraryTest::truncatedArchive()
{
    // Cut anywhere: never a crash, never a member that is not in the archive,
    // and whatever is listed is a leading part of the whole listing.
    QFETCH(int, format);
    const std::string whole = testrar::build(Format(format), testrar::soundtrack(4));
    const QString full = write(QStringLiteral("Whole.rsn"), whole);
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), full, QString()), 0);
    const QString complete = ArchiveEntries;
    QCOMPARE(complete.count(QStringLiteral("**")), 3);

    InteractionRecorder recorder;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const QString path = write(QStringLiteral("Whole.rsn"), whole.substr(0, length));
        const qint16 result = ProcessArchive(QStringLiteral("ObtainList"), path, QString());
        QVERIFY(result == 0 || result == -1);
        QVERIFY2(complete.startsWith(ArchiveEntries), qPrintable(QStringLiteral("cut at %1").arg(length)));
        if (result == -1)
            QVERIFY(ArchiveEntries.isEmpty());
    }
}

void RealLibraryTest::stableCaseInsensitiveOrder_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("RAR4") << int(Format::Rar4);
    QTest::newRow("RAR5") << int(Format::Rar5);
}

void RealLibraryTest::stableCaseInsensitiveOrder()
{
    QFETCH(int, format);
    const std::vector<Member> members{file("b.spc", 3), file("Disc 2/A.spc", 3), file("a.spc", 3),
                                      file("Z.spc", 3), file("_x.spc", 3),       file("Disc 1/a.spc", 3)};
    const QString path = write(QStringLiteral("Order.rsn"), testrar::build(Format(format), members));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), path, QString()), 0);
    QCOMPARE(SortEntries(ArchiveEntries, false), QStringLiteral("_x.spc*A.spc*a.spc*a.spc*b.spc*Z.spc"));
    QCOMPARE(SortEntries(ArchiveEntries, true),
             QStringLiteral("Order.rsn\\_x.spc*Order.rsn\\Disc 2\\A.spc*Order.rsn\\a.spc*"
                            "Order.rsn\\Disc 1\\a.spc*Order.rsn\\b.spc*Order.rsn\\Z.spc"));
}

void RealLibraryTest::consecutiveListings()
{
    const QString first = write(QStringLiteral("First.rsn"), testrar::build(Format::Rar4, testrar::soundtrack(3)));
    const QString second = write(QStringLiteral("Second.rsn"),
                                 testrar::build(Format::Rar5, {file("x.spc", 4)}, optionsWith(true)));
    const QString none = write(QStringLiteral("None.rsn"), testrar::build(Format::Rar5, {file("x.txt", 4)}));

    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), first, QString()), 0);
    QCOMPARE(ArchiveEntries.count(QStringLiteral("**")), 2);
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), second, QString()), 0);
    QCOMPARE(ArchiveEntries, QStringLiteral("Second.rsn\\x.spc*x.spc"));
    QCOMPARE(ProcessArchive(QStringLiteral("ObtainList"), none, QString()), 0);
    QCOMPARE(ArchiveEntries, QString());
}

QTEST_GUILESS_MAIN(RealLibraryTest)
#include "tst_extraction_real.moc"
