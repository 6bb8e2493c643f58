// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 2.0 streams that no real archive here holds, written symbol by symbol
// with chosen codes; the CRCs come from a separate decoder written after
// another public reader. The stream: a two-channel multimedia
// block whose predictor weights adapt; a solid member that goes on with it
// and sends the next member's LZ tables after its own end; a solid member
// that matches into the one before and switches to a one-channel block.
#include "member_test_run.h"
#include "rar_builder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

struct HandMade {
    const char *hex;
    std::uint64_t size;
    std::uint32_t crc;
};

const HandMade kStream[] = {
    {"9444444444444455555522ff33ff33222ff33ff3325451105555455555415555555555155555515551515515"
     "5555",
     100, 0xd041c7d6},
    {"15515eaa672a2088026454dd41707447e54556511111111111115555577b0000000000000000000000000000"
     "0000000000000000000000000000000000000000000000000000000000000000000333000000000000000000"
     "0000000000d00000000000000000000000000000000000000000000000000000000000000000000000000000"
     "00000000000000000000000000000000000000000000000006b63b0030000000333000000000000000000000"
     "0000000010000001000000000000000000000000000000000000010000000010000000000000000000",
     70, 0x0ccce181},
    {"05039eb27d8444444444444455555522ff33ff3327e72a82bdffaaaeca8f5454", 67, 0x139d112c},
};

} // namespace

class TestRar20Streams : public QObject {
    Q_OBJECT

private slots:
    void solidStream_data()
    {
        QTest::addColumn<bool>("onlyLast");
        QTest::addColumn<int>("damagedByte"); // in the second member's data, -1 for none
        QTest::newRow("every member") << false << -1;
        QTest::newRow("last member, the others unpacked unseen") << true << -1;
        QTest::newRow("tables after the second member damaged") << false << 25;
    }
    void solidStream()
    {
        QFETCH(bool, onlyLast);
        QFETCH(int, damagedByte);
        std::vector<testrar::Member> members;
        for (const HandMade &m : kStream) {
            testrar::Member member;
            member.name = "track" + std::to_string(members.size());
            member.data = QByteArray::fromHex(m.hex).toStdString();
            member.unpackedSize = m.size;
            member.packed = testrar::PackedAs{20, m.crc};
            members.push_back(member);
        }
        if (damagedByte >= 0)
            members[1].data[static_cast<std::size_t>(damagedByte)] ^= 0x55;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("handmade.rar"));
        testrar::Options options;
        options.solid = true;
        QVERIFY(testrar::writeFile(path.toStdString(), testrar::build(testrar::Format::Rar4, members, options)));

        const int last = static_cast<int>(members.size()) - 1;
        const MemberTestRun run = testMembers(path, [&](int i) { return !onlyLast || i == last; });
        QCOMPARE(run.members.size(), members.size());
        for (int i = 0; i <= last; ++i) {
            const MemberOutcome &m = run.members[static_cast<std::size_t>(i)];
            if (!m.tested)
                continue;
            // The second member's own bytes come before the damage; the
            // third is unpacked with the damaged tables and must not pass.
            const bool fails = damagedByte >= 0 && i == last;
            QCOMPARE(m.result, fails ? ERAR_BAD_DATA : ERAR_SUCCESS);
            QVERIFY(!m.tooMany);
            if (!fails)
                QCOMPARE(static_cast<quint64>(m.bytes.size()), kStream[i].size);
        }
    }
};

QTEST_GUILESS_MAIN(TestRar20Streams)
#include "tst_rar20_streams.moc"
