// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The archive library through its C interface: result codes, header fields,
// damaged and hostile archives, and the calling contract.
#include "archive_listing.h"
#include "member_test_run.h"
#include "rar_builder.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <ctime>

using testrar::Format;
using testrar::Member;

Q_DECLARE_METATYPE(Member)
Q_DECLARE_METATYPE(Format)

namespace {

QByteArray qbytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string le16(unsigned v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string le32(std::uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

void put16(std::string &bytes, std::size_t at, unsigned v)
{
    bytes.replace(at, 2, le16(v));
}
void put32(std::string &bytes, std::size_t at, std::uint32_t v)
{
    bytes.replace(at, 4, le32(v));
}

// Recomputes the CRC of the RAR 4 header at 'at' after a field was patched.
void fixRar4Crc(std::string &bytes, std::size_t at)
{
    const unsigned headSize = static_cast<unsigned char>(bytes[at + 5])
        | static_cast<unsigned char>(bytes[at + 6]) << 8;
    put16(bytes, at, testrar::crc32(bytes.substr(at + 2, headSize - 2)) & 0xFFFF);
}

Member file(const std::string &name, const std::string &data = "data")
{
    Member m;
    m.name = name;
    m.data = data;
    return m;
}

// Two small members; in these archives the first RAR 4 file header sits at
// 20 and the second at 63, the RAR 5 ones at 16 and 49.
std::string twoMembers(Format format, bool endBlock = true)
{
    testrar::Options options;
    options.endBlock = endBlock;
    return testrar::build(format, {file("one.spc", "1111"), file("two.spc", "2222")}, options);
}
constexpr std::size_t kRar4First = 20, kRar4Second = 63, kRar5First = 16, kRar5Second = 49;

// A RAR 5 file header with fields that may lie.
std::string rar5File(const std::string &name, std::uint64_t dataSize, std::uint64_t nameLength,
                     std::uint64_t extraSize = 0)
{
    std::string body = testrar::vint(2) + testrar::vint(extraSize ? 0x3 : 0x2);
    if (extraSize)
        body += testrar::vint(extraSize);
    body += testrar::vint(dataSize) + testrar::vint(0x4) + testrar::vint(dataSize) + testrar::vint(0x20) + le32(0)
        + testrar::vint(0) + testrar::vint(0) + testrar::vint(nameLength) + name;
    return testrar::rar5Header(body);
}

} // namespace

class TestUnrarApi : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const std::string &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("archive%1.rar").arg(++m_files));
        if (!testrar::writeFile(path.toStdString(), bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase()
    {
        // RAR 5 keeps UTC; the header record wants DOS local time.
        qputenv("TZ", "UTC");
        tzset();
        QVERIFY(m_dir.isValid());
    }

    void goldenArchive_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QByteArray>("golden");
        QTest::addColumn<unsigned>("unpVer");
        QTest::newRow("RAR 4") << Format::Rar4
                               << QByteArray("52 61 72 21 1a 07 00 cf 90 73 00 00 0d 00 00 00 00 00 00 00 93 15 74 00 "
                                             "80 25 00 03 00 00 00 03 00 00 00 02 c2 41 24 35 83 18 22 58 14 30 05 00 "
                                             "20 00 00 00 61 2e 74 78 74 61 62 63 c4 3d 7b 00 40 07 00")
                               << 20u;
        QTest::newRow("RAR 5") << Format::Rar5
                               << QByteArray("52 61 72 21 1a 07 01 00 c5 1a 33 32 03 01 00 00 6c a3 11 48 16 02 02 03 "
                                             "06 03 20 26 7d 93 65 c2 41 24 35 00 00 05 61 2e 74 78 74 61 62 63 1d 77 "
                                             "56 51 03 05 04 00")
                               << 50u;
    }

    // One stored file a.txt = "abc": the builder writes the known-good bytes
    // and the library reports every field of the header record.
    void goldenArchive()
    {
        QFETCH(Format, format);
        QFETCH(QByteArray, golden);
        QFETCH(unsigned, unpVer);
        const std::string bytes = testrar::build(format, {file("a.txt", "abc")});
        QCOMPARE(qbytes(bytes).toHex(' '), golden);

        const QString path = write(bytes);
        const ArchiveListing listing = listArchive(path);
        QCOMPARE(listing.openResult, 0u);
        QCOMPARE(listing.lastResult, ERAR_END_ARCHIVE);
        QCOMPARE(listing.headers.size(), std::size_t(1));
        const RARHeaderData &h = listing.headers[0];
        QCOMPARE(QByteArray(h.ArcName), path.toUtf8());
        QCOMPARE(QByteArray(h.FileName), QByteArray("a.txt"));
        QCOMPARE(h.UnpSize, 3u);
        QCOMPARE(h.PackSize, 3u);
        QCOMPARE(h.Flags, 0u);
        QCOMPARE(h.FileCRC, 0x352441C2u);
        QCOMPARE(h.FileTime, 0x58221883u);
        QCOMPARE(h.HostOS, 2u);
        QCOMPARE(h.UnpVer, unpVer);
        QCOMPARE(h.Method, 0x30u);
        QCOMPARE(h.FileAttr, 0x20u);
        QCOMPARE(h.CmtState, 0u);
    }

    void openResult_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<unsigned>("expected");
        const std::string rar4 = twoMembers(Format::Rar4);
        const std::string rar5 = twoMembers(Format::Rar5);
        QTest::newRow("empty file") << QByteArray() << 13u;
        QTest::newRow("text file") << QByteArray("just some text, no archive\n") << 13u;
        QTest::newRow("RAR 1.4 signature") << QByteArray("RE~^").append(64, '\0') << 13u;
        QTest::newRow("reserved future format") << QByteArray("Rar!\x1A\x07\x02", 7).append(64, '\0') << 13u;
        QTest::newRow("RAR 4 marker only") << QByteArray("Rar!\x1A\x07\x00", 7) << 12u;
        QTest::newRow("RAR 5 signature only") << QByteArray("Rar!\x1A\x07\x01\x00", 8) << 12u;
        std::string badMain = rar4;
        badMain[10] ^= 1;
        QTest::newRow("RAR 4 main header CRC") << qbytes(badMain) << 12u;
        badMain = rar5;
        badMain[14] ^= 1;
        QTest::newRow("RAR 5 main header CRC") << qbytes(badMain) << 12u;
        QTest::newRow("RAR 4 main header cut short") << qbytes(rar4.substr(0, 15)) << 12u;
        QTest::newRow("RAR 4 file header where the main header belongs")
            << qbytes(rar4.substr(0, 7) + rar4.substr(kRar4First)) << 12u;
        QTest::newRow("behind a self-extractor") << qbytes(std::string(300000, '\0') + rar5) << 0u;
        QTest::newRow("RAR 4 across a search chunk seam") << qbytes(std::string(65533, 'M') + rar4) << 0u;
        const std::string strayMarker = std::string("Rar!\x1A\x07\x00", 7) + "module code";
        QTest::newRow("stray marker in the self-extractor")
            << qbytes(std::string(1000, '\0') + strayMarker + std::string(1000, '\0') + rar5) << 0u;
        std::string damaged = rar4;
        damaged[10] ^= 1;
        QTest::newRow("damaged archive behind a self-extractor") << qbytes(std::string(1000, '\0') + damaged) << 12u;
        QTest::newRow("beyond the self-extractor search") << qbytes(std::string(5 * 1024 * 1024, '\0') + rar4) << 13u;
    }

    void openResult()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(unsigned, expected);
        const std::string path = write(bytes.toStdString()).toStdString();
        RAROpenArchiveData open{};
        open.ArcName = const_cast<char *>(path.c_str());
        open.OpenMode = RAR_OM_LIST;
        void *handle = RAROpenArchive(&open);
        QCOMPARE(open.OpenResult, expected);
        QCOMPARE(handle != nullptr, expected == 0);
        if (handle)
            QCOMPARE(RARCloseArchive(handle), 0);
    }

    void openFailsWithoutFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing.rar"));
        QTest::newRow("a folder") << m_dir.path();
    }

    void openFailsWithoutFile()
    {
        QFETCH(QString, path);
        const ArchiveListing listing = listArchive(path);
        QCOMPARE(listing.openResult, unsigned(ERAR_EOPEN));
        QVERIFY(listing.headers.empty());
    }

    void headerWalk_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("last");
        const QStringList both{"one.spc", "two.spc"};
        const QStringList first{"one.spc"};
        const QStringList none;
        testrar::Options encrypted;
        encrypted.encryptedHeaders = true;

        for (Format format : {Format::Rar4, Format::Rar5}) {
            const bool r4 = format == Format::Rar4;
            const char *f = r4 ? "RAR 4" : "RAR 5";
            const std::string base = twoMembers(format);
            const std::size_t second = r4 ? kRar4Second : kRar5Second;
            const std::size_t endBlock = r4 ? 7 : 8;
            auto row = [&](const char *what) -> QTestData & { return QTest::addRow("%s %s", f, what); };

            row("encrypted headers") << qbytes(testrar::build(format, testrar::soundtrack(2), encrypted)) << none << 21;
            std::string bad = base;
            bad[second + 20] ^= 0x20; // a field of the second file header
            row("CRC error in the second header") << qbytes(bad) << first << 12;
            row("cut inside the second header") << qbytes(base.substr(0, second + 9)) << first << 12;
            // A download cut short: the last member is listed, the walk ends after it.
            row("cut inside the last member's data")
                << qbytes(base.substr(0, base.size() - endBlock - 2)) << both << 10;
            row("no end block") << qbytes(twoMembers(format, false)) << both << 10;
            if (r4) // a repeated marker is passed over, as other readers do
                row("marker repeated") << qbytes(std::string("Rar!\x1A\x07\x00", 7) + base) << both << 10;
            row("bytes after the end block") << qbytes(base + "trailing bytes") << both << 10;
            row("a few stray bytes at the end") << qbytes(twoMembers(format, false) + "xyz") << both << 12;
        }

        const std::string r4 = twoMembers(Format::Rar4);
        {
            // A 5 GiB member carries HIGH size fields; make its packed size
            // 2^64-1 so that naive offset arithmetic wraps.
            Member big = file("big.spc", "");
            big.unpackedSize = 5ull << 30;
            std::string bytes = testrar::build(Format::Rar4, {big, file("two.spc")});
            put32(bytes, kRar4First + 7, 0xFFFFFFFF);
            put32(bytes, kRar4First + 32, 0xFFFFFFFF);
            fixRar4Crc(bytes, kRar4First);
            QTest::newRow("RAR 4 packed size past the end of the file")
                << qbytes(bytes) << QStringList{"big.spc"} << 10;
        }
        {
            std::string bytes = r4;
            put16(bytes, kRar4First + 26, 200);
            fixRar4Crc(bytes, kRar4First);
            QTest::newRow("RAR 4 name longer than its header") << qbytes(bytes) << none << 12;
        }
        {
            std::string bytes = r4;
            put16(bytes, kRar4First + 5, 3);
            QTest::newRow("RAR 4 header size below 7") << qbytes(bytes) << none << 12;
        }
        {
            std::string bytes = r4;
            put16(bytes, kRar4First + 5, 20);
            fixRar4Crc(bytes, kRar4First);
            QTest::newRow("RAR 4 file header too short for its fields") << qbytes(bytes) << none << 12;
        }
        {
            const std::string unknown = testrar::rar4Header("\x70" + le16(0x4000) + le16(10) + "abc");
            QTest::newRow("RAR 4 unknown block skipped")
                << qbytes(r4.substr(0, kRar4First) + unknown + r4.substr(kRar4First)) << both << 10;
            const std::string hugeData = testrar::rar4Header("\x70" + le16(0xC000) + le16(11) + le32(0xFFFFFFF0));
            QTest::newRow("RAR 4 block data past the end of the file")
                << qbytes(r4.substr(0, kRar4First) + hugeData + r4.substr(kRar4First)) << none << 12;
            // RAR 2.x hashed an old sub-block together with the data after it.
            const std::string sub = "\x77" + le16(0x8000) + le16(14) + le32(5) + le16(0x101) + '\0';
            const std::string data = "owner";
            const std::string block = le16(testrar::crc32(sub + data) & 0xFFFF) + sub + data;
            QTest::newRow("RAR 4 old sub-block hashed with its data")
                << qbytes(r4.substr(0, kRar4Second) + block + r4.substr(kRar4Second)) << both << 10;
        }

        const std::string r5 = twoMembers(Format::Rar5);
        auto insert5 = [&](std::size_t at, const std::string &piece) {
            return qbytes(r5.substr(0, at) + piece + r5.substr(at));
        };
        QTest::newRow("RAR 5 data size past the end of the file")
            << insert5(kRar5First, rar5File("big.spc", 1ull << 62, 7)) << QStringList{"big.spc"} << 10;
        QTest::newRow("RAR 5 name longer than its header")
            << insert5(kRar5First, rar5File("big.spc", 0, 100)) << none << 12;
        QTest::newRow("RAR 5 extra area larger than its header")
            << insert5(kRar5First, rar5File("big.spc", 0, 7, 200)) << none << 12;
        QTest::newRow("RAR 5 header size 0") << insert5(kRar5First, std::string(5, '\0')) << none << 12;
        QTest::newRow("RAR 5 header size over 2 MiB")
            << insert5(kRar5First, std::string(4, '\0') + testrar::vint(2 * 1024 * 1024 + 1)) << none << 12;
        QTest::newRow("RAR 5 size field of 11 bytes")
            << insert5(kRar5First, std::string(4, '\0') + std::string(10, '\x80') + '\x01') << none << 12;
        QTest::newRow("RAR 5 unknown header skipped when marked so")
            << insert5(kRar5First, testrar::rar5Header(testrar::vint(9) + testrar::vint(0x4))) << both << 10;
        QTest::newRow("RAR 5 unknown header not marked skippable")
            << insert5(kRar5First, testrar::rar5Header(testrar::vint(9) + testrar::vint(0))) << none << 12;
        const std::string stream = testrar::rar5Header(testrar::vint(3) + testrar::vint(0x2) + testrar::vint(3)
                                                       + testrar::vint(0) + testrar::vint(3) + testrar::vint(0)
                                                       + testrar::vint(0) + testrar::vint(0) + testrar::vint(3) + "STM")
            + "xyz";
        QTest::newRow("RAR 5 service header between members is no member")
            << insert5(kRar5Second, stream) << both << 10;
    }

    // Members are reported in header order until the walk ends with the
    // expected code, and a walk that ended keeps giving that code.
    void headerWalk()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, names);
        QFETCH(int, last);
        const std::string path = write(bytes.toStdString()).toStdString();
        RAROpenArchiveData open{};
        open.ArcName = const_cast<char *>(path.c_str());
        void *handle = RAROpenArchive(&open);
        QCOMPARE(open.OpenResult, 0u);
        QVERIFY(handle);
        QStringList listed;
        RARHeaderData header{};
        int result;
        while ((result = RARReadHeader(handle, &header)) == 0 && listed.size() < 100) {
            listed << QString::fromUtf8(header.FileName);
            QCOMPARE(RARProcessFile(handle, RAR_SKIP, nullptr, nullptr), 0);
        }
        QCOMPARE(listed, names);
        QCOMPARE(result, last);
        QCOMPARE(RARReadHeader(handle, &header), last);
        RARCloseArchive(handle);
    }

    void memberFields_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<Member>("member");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<unsigned>("unpSize");
        QTest::addColumn<unsigned>("packSize");
        QTest::addColumn<unsigned>("flags");

        const std::string a258(258, 'a');
        for (Format format : {Format::Rar4, Format::Rar5}) {
            const char *f = format == Format::Rar4 ? "RAR 4" : "RAR 5";
            auto row = [&](const char *what, Member m, const QByteArray &name, unsigned unp, unsigned pack,
                           unsigned flags) {
                QTest::addRow("%s %s", f, what) << format << m << name << unp << pack << flags;
            };
            Member m = file("empty.spc", "");
            row("zero size", m, "empty.spc", 0, 0, 0);
            m = file("Game/Disc 1/01 Intro.spc", "12345");
            row("sub-folders", m, "Game\\Disc 1\\01 Intro.spc", 5, 5, 0);
            m = file("Game/Disc 1", "");
            m.directory = true;
            row("directory", m, "Game\\Disc 1", 0, 0, RHDF_DIRECTORY);
            m = file("secret.spc", "12345678");
            m.encryptedData = true;
            row("encrypted data", m, "secret.spc", 8, 8, RHDF_ENCRYPTED);
            for (auto [what, size] : {std::pair{"2 GiB", 1ull << 31},
                                      {"3 GB", 3000000000ull},
                                      {"4 GiB", 1ull << 32},
                                      {"5 GiB", 5ull << 30}}) {
                m = file("big.spc", "");
                m.unpackedSize = size;
                row(what, m, "big.spc", static_cast<unsigned>(size & 0xFFFFFFFF), 4, 0);
            }
            m = file("Grüße/日本 😀.spc");
            row("Unicode name", m, "Grüße\\日本 😀.spc", 4, 4, 0);
            m = file(a258 + "é.spc");
            row("long name cut before a 2-byte character", m, QByteArray(a258.c_str()).left(258), 4, 4, 0);
            m = file(a258.substr(1) + "é.spc");
            row("long name ending in a 2-byte character", m, QByteArray((a258.substr(1) + "é").c_str()), 4, 4, 0);
            m = file(a258.substr(1) + "日本.spc");
            row("long name cut before a 3-byte character", m, QByteArray(a258.substr(1).c_str()), 4, 4, 0);
        }
        Member m = file("naïve ☃.spc");
        m.unicodeEncodedName = false;
        QTest::newRow("RAR 4 Unicode name as plain UTF-8")
            << Format::Rar4 << m << QByteArray("naïve ☃.spc") << 4u << 4u << 0u;
        m = file("\x80uro \xE9t\xE9.spc");
        m.rawNameBytes = true;
        QTest::newRow("RAR 4 Windows-1252 name") << Format::Rar4 << m << QByteArray("€uro été.spc") << 4u << 4u << 0u;
    }

    void memberFields()
    {
        QFETCH(Format, format);
        QFETCH(Member, member);
        QFETCH(QByteArray, name);
        QFETCH(unsigned, unpSize);
        QFETCH(unsigned, packSize);
        QFETCH(unsigned, flags);
        const ArchiveListing listing = listArchive(write(testrar::build(format, {member})));
        QCOMPARE(listing.openResult, 0u);
        QCOMPARE(listing.lastResult, ERAR_END_ARCHIVE);
        QCOMPARE(listing.headers.size(), std::size_t(1));
        const RARHeaderData &h = listing.headers[0];
        QCOMPARE(QByteArray(h.FileName), name);
        QVERIFY(qstrlen(h.FileName) < sizeof h.FileName);
        QCOMPARE(h.UnpSize, unpSize);
        QCOMPARE(h.PackSize, packSize);
        QCOMPARE(h.Flags, flags);
        QCOMPARE(h.FileTime, 0x58221883u);
        QCOMPARE(h.FileAttr, member.directory ? 0x10u : 0x20u);
    }

    void orderAndSolidFlags_data()
    {
        QTest::addColumn<Format>("format");
        QTest::newRow("RAR 4") << Format::Rar4;
        QTest::newRow("RAR 5") << Format::Rar5;
    }

    // A solid archive lists whole, in header order; members after the first
    // carry the solid flag.
    void orderAndSolidFlags()
    {
        QFETCH(Format, format);
        testrar::Options solid;
        solid.solid = true;
        const auto listing = listArchive(
            write(testrar::build(format, {file("z.spc"), file("a.spc"), file("m/k.spc")}, solid)));
        QCOMPARE(listing.lastResult, ERAR_END_ARCHIVE);
        QCOMPARE(listing.names(), (std::vector<std::string>{"z.spc", "a.spc", "m\\k.spc"}));
        QCOMPARE(listing.headers[0].Flags, 0u);
        QCOMPARE(listing.headers[1].Flags, unsigned(RHDF_SOLID));
        QCOMPARE(listing.headers[2].Flags, unsigned(RHDF_SOLID));
    }

    void membersAtAnySpacing_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<int>("dataBytes");
        // All headers in the first read; runs of close headers over several
        // large reads (some headers across a read's end); headers far apart.
        for (const auto &[format, title] : {std::pair{Format::Rar4, "RAR 4"}, std::pair{Format::Rar5, "RAR 5"}}) {
            for (int bytes : {0, 3000, 15000, 40000})
                QTest::addRow("%s, %d bytes a member", title, bytes) << format << bytes;
        }
    }

    // Every member is listed, and tests intact between skipped ones, however
    // its header was read.
    void membersAtAnySpacing()
    {
        QFETCH(Format, format);
        QFETCH(int, dataBytes);
        std::vector<Member> members = testrar::soundtrack(120);
        for (std::size_t i = 0; i < members.size(); ++i)
            members[i].data += std::string(dataBytes + i * 37 % 1000, static_cast<char>('a' + i % 26));
        const MemberTestRun run = testMembers(write(testrar::build(format, members, {})), [](int i) { return i % 2; });
        QCOMPARE(run.endResult, ERAR_END_ARCHIVE);
        QCOMPARE(run.members.size(), members.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            QCOMPARE(run.members[i].header.FileName, members[i].name.c_str());
            QCOMPARE(run.members[i].result, ERAR_SUCCESS);
            if (run.members[i].tested)
                QCOMPARE(run.members[i].bytes, qbytes(members[i].data));
        }
    }

    void comment_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<unsigned>("bufferSize");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<unsigned>("state");
        for (Format format : {Format::Rar4, Format::Rar5}) {
            const char *f = format == Format::Rar4 ? "RAR 4" : "RAR 5";
            QTest::addRow("%s comment", f)
                << format << QByteArray("Ripped by me\r\n") << 100u << QByteArray("Ripped by me\r\n") << 1u;
            QTest::addRow("%s exact fit", f) << format << QByteArray("12345") << 6u << QByteArray("12345") << 1u;
            QTest::addRow("%s small buffer", f)
                << format << QByteArray("Ripped by me") << 7u << QByteArray("Ripped") << unsigned(ERAR_SMALL_BUF);
            QTest::addRow("%s small buffer keeps characters whole", f)
                << format << QByteArray("ab日本") << 6u << QByteArray("ab日") << unsigned(ERAR_SMALL_BUF);
            QTest::addRow("%s no comment", f) << format << QByteArray() << 100u << QByteArray() << 0u;
        }
    }

    void comment()
    {
        QFETCH(Format, format);
        QFETCH(QByteArray, comment);
        QFETCH(unsigned, bufferSize);
        QFETCH(QByteArray, expected);
        QFETCH(unsigned, state);
        testrar::Options options;
        options.comment = comment.toStdString();
        const auto listing = listArchive(write(testrar::build(format, testrar::soundtrack(2), options)), bufferSize);
        QCOMPARE(listing.openResult, 0u);
        QCOMPARE(listing.commentState, state);
        QCOMPARE(QByteArray::fromStdString(listing.comment), expected);
        QCOMPARE(listing.commentSize, expected.isEmpty() ? 0u : unsigned(expected.size() + 1));
        QCOMPARE(listing.names().size(), std::size_t(2)); // the comment block is no member
    }

    // Reading a header without processing the previous member still moves on.
    void readHeaderTwice()
    {
        const std::string path = write(testrar::build(Format::Rar5, testrar::soundtrack(3))).toStdString();
        RAROpenArchiveData open{};
        open.ArcName = const_cast<char *>(path.c_str());
        void *handle = RAROpenArchive(&open);
        QVERIFY(handle);
        RARHeaderData header{};
        QCOMPARE(RARReadHeader(handle, &header), 0);
        QCOMPARE(QByteArray(header.FileName), QByteArray("01 Track.spc"));
        QCOMPARE(RARReadHeader(handle, &header), 0);
        QCOMPARE(QByteArray(header.FileName), QByteArray("02 Track.spc"));
        QCOMPARE(RARProcessFile(handle, RAR_SKIP, nullptr, nullptr), 0);
        QCOMPARE(RARReadHeader(handle, &header), 0);
        QCOMPARE(QByteArray(header.FileName), QByteArray("03 Track.spc"));
        QCOMPARE(RARReadHeader(handle, &header), ERAR_END_ARCHIVE);
        QCOMPARE(RARCloseArchive(handle), 0);
    }

    // Handles are independent: walking two archives in turn mixes nothing.
    void twoArchivesAtOnce()
    {
        const std::string a = write(testrar::build(Format::Rar4, testrar::soundtrack(2, "A"))).toStdString();
        const std::string b = write(testrar::build(Format::Rar5, testrar::soundtrack(3, "B"))).toStdString();
        RAROpenArchiveData openA{}, openB{};
        openA.ArcName = const_cast<char *>(a.c_str());
        openB.ArcName = const_cast<char *>(b.c_str());
        void *ha = RAROpenArchive(&openA);
        void *hb = RAROpenArchive(&openB);
        QVERIFY(ha && hb);
        RARHeaderData header{};
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            for (void *h : {ha, hb}) {
                if (RARReadHeader(h, &header) == 0)
                    seen << QString::fromUtf8(header.ArcName).right(5) + ':' + QString::fromUtf8(header.FileName);
            }
        }
        const QString na = QString::fromStdString(a).right(5), nb = QString::fromStdString(b).right(5);
        QCOMPARE(seen,
                 (QStringList{na + ":A\\01 Track.spc", nb + ":B\\01 Track.spc", na + ":A\\02 Track.spc",
                              nb + ":B\\02 Track.spc", nb + ":B\\03 Track.spc"}));
        QCOMPARE(RARCloseArchive(ha), 0);
        QCOMPARE(RARCloseArchive(hb), 0);
    }

    void unsupportedOperations_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("extract") << RAR_EXTRACT;
        QTest::newRow("unknown") << 99;
    }

    // Nothing is ever written: extracting and unknown operations fail, and
    // the caller's loop still reaches the next member.
    void unsupportedOperations()
    {
        QFETCH(int, operation);
        QTemporaryDir target;
        const std::string path = write(testrar::build(Format::Rar4, testrar::soundtrack(2))).toStdString();
        RAROpenArchiveData open{};
        open.ArcName = const_cast<char *>(path.c_str());
        open.OpenMode = RAR_OM_EXTRACT;
        void *handle = RAROpenArchive(&open);
        QVERIFY(handle);
        RARHeaderData header{};
        QCOMPARE(RARReadHeader(handle, &header), 0);
        QByteArray destPath = target.path().toUtf8();
        QByteArray destName = target.filePath(QStringLiteral("out.spc")).toUtf8();
        QVERIFY(RARProcessFile(handle, operation, destPath.data(), nullptr) != 0);
        QCOMPARE(RARReadHeader(handle, &header), 0);
        QCOMPARE(QByteArray(header.FileName), QByteArray("02 Track.spc"));
        QVERIFY(RARProcessFile(handle, operation, nullptr, destName.data()) != 0);
        QCOMPARE(RARReadHeader(handle, &header), ERAR_END_ARCHIVE);
        RARCloseArchive(handle);
        QVERIFY(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }

    // List mode, extract mode and a password give the same listing.
    void openModesAndPassword()
    {
        const std::string path = write(testrar::build(Format::Rar5, testrar::soundtrack(3))).toStdString();
        const auto reference = listArchive(path, 0, RAR_OM_EXTRACT).names();
        QCOMPARE(listArchive(path, 0, RAR_OM_LIST).names(), reference);

        RAROpenArchiveData open{};
        open.ArcName = const_cast<char *>(path.c_str());
        void *handle = RAROpenArchive(&open);
        QVERIFY(handle);
        char password[] = "secret";
        RARSetPassword(handle, password);
        std::vector<std::string> names;
        RARHeaderData header{};
        while (RARReadHeader(handle, &header) == 0)
            names.emplace_back(header.FileName);
        RARCloseArchive(handle);
        QCOMPARE(names, reference);
    }

    void nullArguments()
    {
        QCOMPARE(RAROpenArchive(nullptr), nullptr);
        RAROpenArchiveData open{};
        QCOMPARE(RAROpenArchive(&open), nullptr);
        QCOMPARE(open.OpenResult, unsigned(ERAR_EOPEN));
        RARHeaderData header{};
        QVERIFY(RARReadHeader(nullptr, &header) != 0);
        QVERIFY(RARProcessFile(nullptr, RAR_SKIP, nullptr, nullptr) != 0);
        QVERIFY(RARCloseArchive(nullptr) != 0);
        RARSetPassword(nullptr, nullptr);
    }

    void truncatedAnywhere_data() { orderAndSolidFlags_data(); }

    // Every prefix of an archive opens or fails cleanly and lists a prefix
    // of the members, ending in "end" or "damaged".
    void truncatedAnywhere()
    {
        QFETCH(Format, format);
        testrar::Options options;
        options.comment = "comment";
        std::vector<Member> members = testrar::soundtrack(3, "Ordner ü");
        members.push_back(file("Grüße.spc"));
        const std::string whole = testrar::build(format, members, options);
        const auto full = listArchive(write(whole)).names();
        QCOMPARE(full.size(), std::size_t(4));
        const QString path = m_dir.filePath(QStringLiteral("cut.rar"));
        for (std::size_t length = 0; length < whole.size(); ++length) {
            QVERIFY(testrar::writeFile(path.toStdString(), whole.substr(0, length)));
            const ArchiveListing listing = listArchive(path, 64);
            if (listing.openResult != 0) {
                QVERIFY2(listing.openResult == 12 || listing.openResult == 13, qPrintable(QString::number(length)));
                continue;
            }
            const auto names = listing.names();
            QVERIFY(names.size() <= full.size());
            QVERIFY(std::equal(names.begin(), names.end(), full.begin()));
            QVERIFY2(listing.lastResult == ERAR_END_ARCHIVE || listing.lastResult == ERAR_BAD_DATA,
                     qPrintable(QString::number(length)));
        }
    }

    void corruptedBytes_data() { orderAndSolidFlags_data(); }

    // Random damage never crashes or hangs the walk, and what is listed
    // stays within the file.
    void corruptedBytes()
    {
        QFETCH(Format, format);
        std::vector<Member> members = testrar::soundtrack(4, "Sub");
        members.push_back(file("Grüße 日本.spc"));
        Member big = file("big.spc", "");
        big.unpackedSize = 5ull << 30;
        members.push_back(big);
        testrar::Options options;
        options.comment = "comment";
        const std::string whole = testrar::build(format, members, options);
        QRandomGenerator random(20241207);
        const QString path = m_dir.filePath(QStringLiteral("corrupt.rar"));
        for (int round = 0; round < 400; ++round) {
            std::string bytes = whole;
            const int flips = 1 + random.bounded(4);
            for (int i = 0; i < flips; ++i)
                bytes[random.bounded(static_cast<quint32>(bytes.size()))] = static_cast<char>(random.bounded(256));
            QVERIFY(testrar::writeFile(path.toStdString(), bytes));
            const ArchiveListing listing = listArchive(path.toStdString(), 64, RAR_OM_EXTRACT, 1000);
            QVERIFY(listing.headers.size() <= members.size());
            for (const RARHeaderData &h : listing.headers) {
                QVERIFY(qstrnlen(h.FileName, sizeof h.FileName) < sizeof h.FileName);
                QVERIFY(h.PackSize <= bytes.size());
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestUnrarApi)
#include "tst_unrar_api.moc"
