// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.9 streams made by hand (no RAR 2.9 archiver is at hand), for what
// the real archives never show: data the decoder must refuse, and a new
// member that must not see the bytes an earlier one left in the window.
#include "member_test_run.h"
#include "rar_builder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Bits most significant first, as RAR 2.9 writes them.
class Bits {
public:
    Bits &put(unsigned value, unsigned count)
    {
        while (count-- > 0) {
            if (m_used % 8 == 0)
                m_bytes.push_back('\0');
            if ((value >> count) & 1)
                m_bytes.back() = static_cast<char>(m_bytes.back() | (0x80 >> (m_used % 8)));
            ++m_used;
        }
        return *this;
    }
    // An LZ block whose main code has four symbols of two bits each:
    // 'A' 00, end of block 01, filter 10, match of 2 at distance 1 + extra 11.
    Bits &tables()
    {
        put(0, 2); // LZ, fresh lengths
        for (int i = 0; i < 20; ++i)
            put(5, 4); // level code: each of its 20 symbols 5 bits, the symbol is the length
        for (unsigned symbol = 0; symbol < 404; ++symbol)
            put(symbol == 'A' || symbol == 256 || symbol == 257 || symbol == 263 ? 2 : 0, 5);
        return *this;
    }
    Bits &literal() { return put(0, 2); }
    Bits &match(unsigned extra) { return put(3, 2).put(extra, 2); }
    Bits &endOfMember(bool newTablesNext = false) { return put(1, 2).put(0, 1).put(newTablesNext, 1); }
    // A filter with a program that is none of the standard ones.
    Bits &unknownFilter()
    {
        put(2, 2).put(0xA5, 8);                  // new filter, length given, 6 bytes follow
        put(1, 6).put(0, 6).put(4, 6).put(3, 6); // number 1, block at 0, 4 bytes long, 3 bytes of code
        return put(0x112233, 24);
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    unsigned m_used = 0;
};

constexpr int kOk = ERAR_SUCCESS;
constexpr int kBad = ERAR_BAD_DATA;

} // namespace

class TestRar29Streams : public QObject {
    Q_OBJECT

private slots:
    // Each member: its packed stream, its content (for one to refuse, what
    // a decoder at fault would make of it) and the result expected.
    void members_data()
    {
        QTest::addColumn<bool>("solid");
        QTest::addColumn<QByteArrayList>("packed");
        QTest::addColumn<QByteArrayList>("content");
        QTest::addColumn<QList<int>>("results");

        const QByteArray aaaa = Bits().tables().literal().literal().match(0).endOfMember().bytes();
        QTest::newRow("literals and a match")
            << false << QByteArrayList{aaaa} << QByteArrayList{"AAAA"} << QList<int>{kOk};
        QTest::newRow("distance before the stream's start")
            << false << QByteArrayList{Bits().tables().literal().match(3).endOfMember().bytes()}
            << QByteArrayList{QByteArray("A\0\0", 3)} << QList<int>{kBad};
        QTest::newRow("end of member before its last byte")
            << false << QByteArrayList{Bits().tables().literal().endOfMember().bytes()} << QByteArrayList{"AA"}
            << QList<int>{kBad};
        QTest::newRow("filter program not a standard one")
            << false
            << QByteArrayList{Bits().tables().unknownFilter().literal().literal().match(0).endOfMember().bytes()}
            << QByteArrayList{"AAAA"} << QList<int>{kBad};
        QTest::newRow("a new stream does not reach into the last member's window")
            << false << QByteArrayList{aaaa, Bits().tables().match(0).endOfMember().bytes()}
            << QByteArrayList{"AAAA", "AA"} << QList<int>{kOk, kBad};
        QTest::newRow("a solid member goes on with the window and the tables")
            << true << QByteArrayList{aaaa, Bits().match(0).match(0).endOfMember().bytes()}
            << QByteArrayList{"AAAA", "AAAA"} << QList<int>{kOk, kOk};
    }
    void members()
    {
        QFETCH(bool, solid);
        QFETCH(QByteArrayList, packed);
        QFETCH(QByteArrayList, content);
        QFETCH(QList<int>, results);

        std::vector<testrar::Member> members;
        for (qsizetype i = 0; i < packed.size(); ++i) {
            testrar::Member m;
            m.name = "member" + std::to_string(i);
            m.data = packed[i].toStdString();
            m.unpackedSize = content[i].size();
            m.packed = testrar::PackedAs{29, testrar::crc32(content[i].toStdString())};
            members.push_back(m);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hand-made.rar"));
        testrar::Options options;
        options.solid = solid;
        QVERIFY(testrar::writeFile(path.toStdString(), testrar::build(testrar::Format::Rar4, members, options)));

        const MemberTestRun run = testMembers(path, [](int) { return true; });
        QCOMPARE(run.members.size(), static_cast<std::size_t>(packed.size()));
        for (qsizetype i = 0; i < packed.size(); ++i) {
            QCOMPARE(run.members[i].result, results[i]);
            if (results[i] == kOk)
                QCOMPARE(run.members[i].bytes, content[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestRar29Streams)
#include "tst_rar29_streams.moc"
