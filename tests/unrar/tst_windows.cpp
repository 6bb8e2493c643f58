// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The decoders' history windows where real archives seldom take them:
// RAR 5 matches that wrap around the ring, and rings that grow while a
// solid stream goes on, checked against a plain byte-by-byte history.
#include "unpack/rar15_20_window.h"
#include "unpack/rar50_window.h"

#include <QtTest>

#include <vector>

namespace {

struct Collected final : unrar::ByteSink {
    std::vector<std::uint8_t> bytes;
    bool write(const std::uint8_t *data, std::size_t n) override
    {
        bytes.insert(bytes.end(), data, data + n);
        return true;
    }
};

std::uint8_t patternByte(std::uint64_t i)
{
    return static_cast<std::uint8_t>(i * 7 + i / 251);
}

} // namespace

class Windows : public QObject {
    Q_OBJECT

private slots:
    void rar50MatchesWrap_data()
    {
        QTest::addColumn<int>("wp");
        QTest::addColumn<int>("dist");
        QTest::addColumn<int>("len");
        QTest::newRow("source wraps") << 100 << 200 << 300;
        QTest::newRow("destination wraps") << 4000 << 50 << 200;
        QTest::newRow("overlapping, across the end") << 4090 << 3 << 40;
        QTest::newRow("longest, both wrap") << 4000 << 4000 << int(unrar::Rar50Window::kMaxMatch);
    }
    void rar50MatchesWrap()
    {
        QFETCH(int, wp);
        QFETCH(int, dist);
        QFETCH(int, len);
        constexpr std::size_t size = 4096;
        std::vector<std::uint8_t> ring(size + 64), expected(size);
        for (std::size_t i = 0; i < size; ++i)
            ring[i] = expected[i] = patternByte(i);
        std::size_t at = wp, from = (wp + size - dist) % size;
        for (int i = 0; i < len; ++i, at = (at + 1) % size, from = (from + 1) % size)
            expected[at] = expected[from];
        QCOMPARE(unrar::Rar50Window::copyMatch(ring.data(), size, wp, dist, len), at);
        QVERIFY(std::equal(expected.begin(), expected.end(), ring.begin()));
    }

    // A solid stream's first member is small, so its ring is too; the next
    // member reaches back across both.
    void lzRingGrowsWithSolidStream()
    {
        constexpr std::size_t maxDistance = 1 << 20;
        constexpr std::uint64_t first = 1000, second = 300000;
        unrar::LzWindow window;
        Collected out;
        window.beginMember(first, maxDistance, false);
        for (std::uint64_t i = 0; i < first; ++i)
            window.literal(patternByte(i));
        QVERIFY(window.flush(out));
        window.beginMember(second, maxDistance, true);
        for (std::uint64_t i = first; i < first + second - 100; ++i) {
            if (window.wantsFlush())
                QVERIFY(window.flush(out));
            window.literal(patternByte(i));
        }
        QVERIFY(window.match(static_cast<std::uint32_t>(first + second - 100), 100)); // back to the first byte
        QVERIFY(window.memberDone());
        QVERIFY(window.flush(out));
        QCOMPARE(out.bytes.size(), first + second);
        for (std::uint64_t i = 0; i < first + second; ++i)
            QCOMPARE(out.bytes[i], patternByte(i < first + second - 100 ? i : i - (first + second - 100)));
    }
};

QTEST_APPLESS_MAIN(Windows)
#include "tst_windows.moc"
