// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Damaged and hostile archives through the engine: cut anywhere, any header
// byte changed, fields that point past the end or wrap around, many members
// and very long names. Each gives a defined outcome: a listing of what was
// readable, or the open failure's message; never a crash or a hang.
#include "engine_outcome.h"
#include "robustness_fixture.h"

#include <QElapsedTimer>

using testrar::Format;
using testrar::Member;

namespace {
const QString kHeaderDamaged = QStringLiteral(": The archive header corrupt or damaged");
const QString kArchiveDamaged = QStringLiteral(": The archive is corrupt or damaged");

// Folders, sub-folders, an archive comment and a member that is not playable.
std::string multiMemberArchive(Format format)
{
    Member folder;
    folder.name = "Disc 1";
    folder.directory = true;
    testrar::Options options;
    options.comment = "Ripped by nobody";
    return testrar::build(format,
                          {folder, fileMember("Disc 1/01 Intro.spc", std::string(40, 'i')),
                           fileMember("readme.txt", "text"), fileMember("02 Boss.spc", "boss"),
                           fileMember("Disc 1/03 Ending.spc", "end")},
                          options);
}

// Entry list a is b, or b's leading entries.
bool isLeadingPart(const QString &a, const QString &b)
{
    return a.isEmpty() || a == b || b.startsWith(a + QStringLiteral("**"));
}

// Why the outcome of listing a damaged copy of an archive is not acceptable
// ("" when it is): either the open failed with its message and nothing
// listed, or no message and a leading part of the undamaged listing.
QString damageProblem(const EngineOutcome &outcome, const QString &path, const QString &complete)
{
    if (outcome.result == -1) {
        if (!outcome.entries.isEmpty())
            return QStringLiteral("entries after a failed open");
        if (outcome.messages.size() != 1)
            return QStringLiteral("%1 messages after a failed open").arg(outcome.messages.size());
        const RecordedMessage &m = outcome.messages[0];
        const bool header = m.title == u"Error code 12" && m.prompt == path + kHeaderDamaged;
        const bool archive = m.title == u"Error code 13" && m.prompt == path + kArchiveDamaged;
        if (!(header || archive) || m.style != MsgCritical)
            return QStringLiteral("unexpected message: %1 / %2").arg(m.title, m.prompt);
        return {};
    }
    if (outcome.result != 0)
        return QStringLiteral("result %1").arg(outcome.result);
    if (!outcome.messages.isEmpty())
        return QStringLiteral("message after a good open: ") + outcome.messages[0].prompt;
    if (!isLeadingPart(outcome.entries, complete))
        return QStringLiteral("entries that are not in the archive: ") + outcome.entries;
    return entryListProblem(outcome.entries, path);
}

// A RAR 4 file header with every field given, its CRC correct.
std::string rar4File(const std::string &name, std::uint16_t flags, std::uint32_t packLow, std::uint32_t packHigh = 0,
                     int headSize = -1, int nameSize = -1)
{
    const bool large = flags & 0x0100;
    const std::size_t natural = 32 + (large ? 8 : 0) + name.size();
    std::string body;
    body += '\x74';
    body += le16(flags | 0x8000);
    body += le16(headSize < 0 ? static_cast<unsigned>(natural) : static_cast<unsigned>(headSize));
    body += le32(packLow) + le32(4) + '\x02' + le32(0) + le32(0x58221883) + '\x14' + '\x30';
    body += le16(nameSize < 0 ? static_cast<unsigned>(name.size()) : static_cast<unsigned>(nameSize));
    body += le32(0x20);
    if (large)
        body += le32(packHigh) + le32(0);
    body += name;
    return testrar::rar4Header(body);
}

// A RAR 5 file header; fields given as raw vint bytes so they may lie or
// run long.
std::string rar5File(const std::string &name, const std::string &dataSize, const std::string &nameLength = {},
                     const std::string &unpSize = testrar::vint(4))
{
    std::string body = testrar::vint(2) + testrar::vint(0x2) + dataSize + testrar::vint(0) + unpSize
        + testrar::vint(0x20) + testrar::vint(0) + testrar::vint(0)
        + (nameLength.empty() ? testrar::vint(name.size()) : nameLength) + name;
    return testrar::rar5Header(body);
}

// The vint of value as the longest encoding a 64-bit value may have.
std::string vint10(std::uint64_t value)
{
    std::string out;
    for (int i = 0; i < 9; ++i) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    return out + static_cast<char>(value & 0x7F);
}

// A RAR 5 header of the given type and flags (data flag added) whose data
// size takes the next header back to its own start: start + size wraps
// around 2^64. The size is always 10 bytes long, so a probe gives the length.
std::string rar5PointingAtItself(std::uint64_t type, std::uint64_t flags, const std::string &fields = {})
{
    auto header = [&](std::uint64_t size) {
        return testrar::rar5Header(testrar::vint(type) + testrar::vint(flags | 0x2) + vint10(size) + fields);
    };
    return header(0ull - header(~0ull).size());
}

// The archive of "one.spc" alone, with no end block: hostile headers go after it.
std::string oneMember(Format format)
{
    testrar::Options options;
    options.endBlock = false;
    return testrar::build(format, {fileMember("one.spc")}, options);
}
const std::string kRar4End("\xC4\x3D\x7B\x00\x40\x07\x00", 7);
const std::string kRar5End = testrar::rar5Header(testrar::vint(5) + testrar::vint(0) + testrar::vint(0));
} // namespace

class DamagedArchivesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_folder.installLibrary(), qPrintable(m_folder.error())); }

    void cutAnywhere_data();
    void cutAnywhere();
    void headerByteChanged_data();
    void headerByteChanged();
    void hostileFields_data();
    void hostileFields();
    void hundredThousandMembers_data();
    void hundredThousandMembers();
    void longNames_data();
    void longNames();

private:
    ArchiveFolder m_folder;
};

void DamagedArchivesTest::cutAnywhere_data()
{
    addFormatColumn();
    QTest::newRow("RAR4") << Format::Rar4;
    QTest::newRow("RAR5") << Format::Rar5;
}

// Every prefix of a valid archive, from the empty file on.
void DamagedArchivesTest::cutAnywhere()
{
    QFETCH(Format, format);
    const std::string whole = multiMemberArchive(format);
    const QString path = m_folder.write(QStringLiteral("Cut.rsn"), whole);
    const EngineOutcome complete = listThroughEngine(path);
    QCOMPARE(complete.result, 0);
    QCOMPARE(complete.entries.count(QStringLiteral("**")), 2);

    qsizetype previousCount = 0;
    int failedOpens = 0;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        m_folder.write(QStringLiteral("Cut.rsn"), whole.substr(0, length));
        const EngineOutcome outcome = listThroughEngine(path);
        const QString problem = damageProblem(outcome, path, complete.entries);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("cut at %1: %2").arg(length).arg(problem)));
        // A longer prefix never lists less.
        const qsizetype count = outcome.entries.isEmpty() ? 0 : outcome.entries.count(QStringLiteral("**")) + 1;
        QVERIFY2(count >= previousCount, qPrintable(QStringLiteral("cut at %1").arg(length)));
        previousCount = count;
        failedOpens += outcome.result == -1;
    }
    QVERIFY(failedOpens > 0);   // the marker and a cut main header fail to open
    QCOMPARE(previousCount, 3); // a cut end block loses no member
}

void DamagedArchivesTest::headerByteChanged_data()
{
    addFormatColumn();
    QTest::addColumn<int>("change"); // 0: XOR 0xFF, 1: plus one
    for (Format format : {Format::Rar4, Format::Rar5}) {
        QTest::addRow("%s inverted", formatName(format)) << format << 0;
        QTest::addRow("%s plus one", formatName(format)) << format << 1;
    }
}

// Every single byte of the archive changed in turn (headers and the little
// member data there is).
void DamagedArchivesTest::headerByteChanged()
{
    QFETCH(Format, format);
    QFETCH(int, change);
    const std::string whole = multiMemberArchive(format);
    const QString path = m_folder.write(QStringLiteral("Changed.rsn"), whole);
    const QString complete = listThroughEngine(path).entries;

    int unchangedListings = 0;
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string bytes = whole;
        bytes[at] = static_cast<char>(change == 0 ? bytes[at] ^ 0xFF : bytes[at] + 1);
        m_folder.write(QStringLiteral("Changed.rsn"), bytes);
        const EngineOutcome outcome = listThroughEngine(path);
        const QString problem = damageProblem(outcome, path, complete);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("byte %1: %2").arg(at).arg(problem)));
        unchangedListings += outcome.entries == complete;
    }
    QVERIFY(unchangedListings > 0); // member data is not checked while listing
}

void DamagedArchivesTest::hostileFields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("openCode");   // 0: opens
    QTest::addColumn<bool>("oneListed"); // "one.spc" is listed
    QTest::addColumn<bool>("cutListed"); // "two.spc", whose data runs past the end, is listed too

    const std::string rar4 = oneMember(Format::Rar4);
    const std::string rar5 = oneMember(Format::Rar5);
    const std::string name("two.spc");
    auto row4 = [&](const char *what, const std::string &hostile, bool cut = false) {
        QTest::addRow("RAR4 %s", what) << qbytes(rar4 + hostile + kRar4End) << 0 << true << cut;
    };
    auto row5 = [&](const char *what, const std::string &hostile, bool cut = false) {
        QTest::addRow("RAR5 %s", what) << qbytes(rar5 + hostile + kRar5End) << 0 << true << cut;
    };

    row4("header size past the end", rar4File(name, 0, 4, 0, 0xFFFF) + "data");
    row4("header size below the file header's fixed part", rar4File(name, 0, 4, 0, 20) + "data");
    row4("name size past the header", rar4File(name, 0, 4, 0, -1, 0xFFFF) + "data");
    row4("packed size past the end", rar4File(name, 0, 0xFFFFFFF0u) + "data", true);
    row4("64-bit packed size of 2^64-1", rar4File(name, 0x0100, 0xFFFFFFFFu, 0xFFFFFFFFu) + "data", true);
    {
        // start + header size + packed size wraps to the header's own start
        const std::uint64_t back = 0ull - (32 + 8 + name.size());
        row4("header pointing back at itself",
             rar4File(name, 0x0100, static_cast<std::uint32_t>(back), static_cast<std::uint32_t>(back >> 32)), true);
    }
    {
        std::string body;
        body += '\x79';
        body += le16(0x8000) + le16(11) + le32(0xFFFFFFFFu);
        row4("unknown block with data past the end", testrar::rar4Header(body));
    }

    row5("header size past the end", std::string("\0\0\0\0\xE8\x07\x02\x02", 8) + "data");
    row5("header size vint of 11 bytes", std::string("\0\0\0\0", 4) + std::string(10, '\x80') + '\x01');
    row5("header size vint beyond 64 bits", std::string("\0\0\0\0", 4) + std::string(9, '\xFF') + '\x7F');
    row5("data size of 2^64-1", rar5File(name, vint10(~0ull)) + "data", true);
    row5("data size past the end", rar5File(name, testrar::vint(1000)) + "data", true);
    row5("header pointing back at itself",
         rar5PointingAtItself(2, 0,
                              testrar::vint(0) + testrar::vint(4) + testrar::vint(0x20) + testrar::vint(0)
                                  + testrar::vint(0) + testrar::vint(name.size()) + name),
         true);
    row5("name length of 2^64-1", rar5File(name, testrar::vint(4), vint10(~0ull)) + "data");
    row5("name length past the header", rar5File(name, testrar::vint(4), testrar::vint(200)) + "data");
    row5("unpacked size vint of 11 bytes",
         rar5File(name, testrar::vint(4), {}, std::string(10, '\x80') + '\x01') + "data");
    {
        const std::string body = testrar::vint(2) + testrar::vint(0x3) + vint10(1ull << 63) + testrar::vint(4)
            + testrar::vint(0) + testrar::vint(4) + testrar::vint(0x20) + testrar::vint(0) + testrar::vint(0)
            + testrar::vint(name.size()) + name;
        row5("extra area of 2^63 bytes", testrar::rar5Header(body) + "data");
    }
    row5("unknown skippable header pointing back at itself", rar5PointingAtItself(99, 0x4));

    // Hostile main headers: the archive does not open.
    QTest::newRow("RAR5 main header size past the end")
        << qbytes(std::string("Rar!\x1A\x07\x01\x00", 8) + std::string("\0\0\0\0\xFF\xFF\x03", 7)) << 12 << false
        << false;
    QTest::newRow("RAR5 main header pointing back at itself")
        << qbytes(std::string("Rar!\x1A\x07\x01\x00", 8) + rar5PointingAtItself(1, 0, testrar::vint(0))) << 12 << false
        << false;
    {
        std::string main;
        main += '\x73';
        main += le16(0) + le16(0xFFFF) + le16(0) + le32(0);
        QTest::newRow("RAR4 main header size past the end")
            << qbytes(std::string("Rar!\x1A\x07\x00", 7) + testrar::rar4Header(main)) << 12 << false << false;
    }
}

// Sizes that point past the end of the file or wrap around 64 bits, vints
// longer than allowed: the walk stops at the hostile header, keeping what
// came before it. A whole member header whose data runs past the end (or
// wraps) is listed, as other readers list a download cut short.
void DamagedArchivesTest::hostileFields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, openCode);
    QFETCH(bool, oneListed);
    QFETCH(bool, cutListed);

    const QString path = m_folder.write(QStringLiteral("Hostile.rsn"), bytes.toStdString());
    const EngineOutcome outcome = listThroughEngine(path);
    if (openCode == 0) {
        QCOMPARE(outcome.result, 0);
        QVERIFY(outcome.messages.isEmpty());
    } else {
        QCOMPARE(outcome.result, -1);
        QCOMPARE(outcome.messages.size(), 1);
        QCOMPARE(outcome.messages[0].title, QStringLiteral("Error code %1").arg(openCode));
    }
    QString expected = oneListed ? QStringLiteral("Hostile.rsn\\one.spc*one.spc") : QString();
    if (cutListed)
        expected += QStringLiteral("**Hostile.rsn\\two.spc*two.spc");
    QCOMPARE(outcome.entries, expected);
}

void DamagedArchivesTest::hundredThousandMembers_data()
{
    addFormatColumn();
    QTest::newRow("RAR4") << Format::Rar4;
    QTest::newRow("RAR5") << Format::Rar5;
}

// All members listed, in one pass of the sort (they are stored in order).
// The time bound is the test's own time limit.
void DamagedArchivesTest::hundredThousandMembers()
{
    QFETCH(Format, format);
    constexpr int kMembers = 100000;
    std::vector<Member> members;
    members.reserve(kMembers);
    for (int i = 0; i < kMembers; ++i)
        members.push_back(
            fileMember(QStringLiteral("Track %1.spc").arg(i, 6, 10, QLatin1Char('0')).toStdString(), "s"));
    const QString path = m_folder.write(QStringLiteral("Many.rsn"), testrar::build(format, members));

    QElapsedTimer timer;
    timer.start();
    const EngineOutcome outcome = listThroughEngine(path);
    const qint64 listed = timer.elapsed();
    QCOMPARE(outcome.result, 0);
    QVERIFY(outcome.messages.isEmpty());
    QCOMPARE(outcome.entries.count(QStringLiteral("**")), kMembers - 1);
    QVERIFY(outcome.entries.endsWith(QStringLiteral("Many.rsn\\Track 099999.spc*Track 099999.spc")));
    QCOMPARE(entryListProblem(outcome.entries, path), QString());
    qInfo("%d members listed in %lld ms, checked in %lld ms", kMembers, listed, timer.elapsed() - listed);
}

void DamagedArchivesTest::longNames_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<bool>("rawRar4Name");
    QTest::addColumn<QString>("longName");
    QTest::addColumn<bool>("listed");

    const QString folder(300, u'f');
    const QString fits = QString(251, u'a') + QStringLiteral(".spc"); // 255 bytes: the field holds it
    const QString ascii = QString(996, u'a') + QStringLiteral(".spc");
    const QString wide = QString(498, QChar(0xFC)) + QStringLiteral(".spc"); // 1,000 bytes in UTF-8
    for (Format format : {Format::Rar4, Format::Rar5}) {
        const char *f = formatName(format);
        QTest::addRow("%s name that fits the header record", f) << format << false << fits << true;
        QTest::addRow("%s 1,000-byte name", f) << format << false << ascii << false;
        QTest::addRow("%s 1,000-byte non-ASCII name", f) << format << false << wide << false;
        QTest::addRow("%s short name in a 300-byte folder", f)
            << format << false << folder + QStringLiteral("/01.spc") << false;
    }
    QTest::newRow("RAR4 1,000-byte non-ASCII name as raw UTF-8") << Format::Rar4 << true << wide << false;
}

// The header record holds 259 bytes of a name: a longer name arrives cut,
// no longer ends in ".spc" and is left out; the other members are intact.
void DamagedArchivesTest::longNames()
{
    QFETCH(Format, format);
    QFETCH(bool, rawRar4Name);
    QFETCH(QString, longName);
    QFETCH(bool, listed);

    Member hostile = fileMember(longName.toStdString(), "long");
    hostile.unicodeEncodedName = !rawRar4Name;
    const QString path = m_folder.write(
        QStringLiteral("Long.rsn"),
        testrar::build(format, {fileMember("01 Before.spc"), hostile, fileMember("02 After.spc")}));
    const EngineOutcome outcome = listThroughEngine(path);
    QCOMPARE(outcome.result, 0);
    QVERIFY(outcome.messages.isEmpty());
    QCOMPARE(entryListProblem(outcome.entries, path), QString());
    QStringList expected{QStringLiteral("Long.rsn\\01 Before.spc*01 Before.spc")};
    if (listed)
        expected << QStringLiteral("Long.rsn\\") + longName + u'*' + longName;
    expected << QStringLiteral("Long.rsn\\02 After.spc*02 After.spc");
    QCOMPARE(outcome.entries, expected.join(QStringLiteral("**")));
}

QTEST_GUILESS_MAIN(DamagedArchivesTest)
#include "tst_damaged_archives.moc"
