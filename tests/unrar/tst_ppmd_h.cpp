// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The PPMd var. H model against an independent encoder: no RAR archive here
// holds PPM blocks, but libarchive's 7-Zip writer encodes with the same model
// and 7-Zip's range coder, which this test supplies.
#include "unpack/ppmd_h_model.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

class SevenZipRangeDecoder {
public:
    explicit SevenZipRangeDecoder(QByteArrayView data)
        : m_data(data)
    {
        next(); // the encoder's first byte is always 0
        for (int i = 0; i < 4; ++i)
            m_code = (m_code << 8) | next();
    }
    std::uint32_t threshold(std::uint32_t total) { return m_code / (m_range /= total); }
    void decode(std::uint32_t start, std::uint32_t size)
    {
        m_code -= start * m_range;
        m_range *= size;
        normalize();
    }
    unsigned decodeBit(std::uint32_t size0)
    {
        const std::uint32_t bound = (m_range >> unrar::ppmd::Model::kBinScaleBits) * size0;
        const unsigned bit = m_code >= bound;
        m_code -= bit ? bound : 0;
        m_range = bit ? m_range - bound : bound;
        normalize();
        return bit;
    }

private:
    std::uint32_t next() { return m_pos < m_data.size() ? static_cast<std::uint8_t>(m_data[m_pos++]) : 0; }
    void normalize()
    {
        for (; m_range < (1u << 24); m_range <<= 8)
            m_code = (m_code << 8) | next();
    }
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    std::uint32_t m_code = 0;
    std::uint32_t m_range = 0xFFFFFFFF;
};

struct XorShift {
    std::uint32_t x = 2463534242u;
    std::uint32_t operator()() { return x ^= x << 13, x ^= x >> 17, x ^= x << 5; }
};

QByteArray text(qsizetype size)
{
    static const QList<QByteArray> words = QByteArray(
                                               "the of sound track intro stage boss a loop and to in ending theme "
                                               "Game.rsn\\01 Intro.spc, credits. map world")
                                               .split(' ');
    XorShift random;
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += words[random() % words.size()] + (random() % 11 ? " " : "\r\n");
    return bytes.left(size);
}

QByteArray waveform(qsizetype size) // noisy 16-bit samples
{
    XorShift random;
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i + 1 < size; i += 2) {
        const int sample = static_cast<int>(8000 * std::sin(static_cast<double>(i) / 300))
            + static_cast<int>(random() % 64);
        bytes[i] = static_cast<char>(sample & 0xFF);
        bytes[i + 1] = static_cast<char>(sample >> 8);
    }
    return bytes;
}

QByteArray letters(qsizetype size, int alphabet)
{
    XorShift random;
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>('a' + random() % alphabet);
    return bytes;
}

} // namespace

class TestPpmdH : public QObject {
    Q_OBJECT
private slots:
    void decodesIndependentEncoder_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::newRow("text") << text(1 << 20);
        QTest::newRow("binary") << waveform(1 << 19);
        // 3 MiB of 64 letters outgrows the encoder's 16 MiB twice: the model glues
        // free blocks, runs out of memory and restarts.
        QTest::newRow("out of memory") << letters(3 << 20, 64);
    }

    void decodesIndependentEncoder()
    {
        QFETCH(QByteArray, original);
        const QString bsdtar = QStandardPaths::findExecutable(QStringLiteral("bsdtar"));
        if (bsdtar.isEmpty())
            QSKIP("bsdtar (libarchive-tools) is not installed");
        QTemporaryDir dir;
        QFile input(dir.filePath(QStringLiteral("input")));
        QVERIFY(input.open(QIODevice::WriteOnly) && input.write(original) == original.size());
        input.close();
        const QString archivePath = dir.filePath(QStringLiteral("x.7z"));
        QProcess process;
        process.start(
            bsdtar,
            {"--format", "7zip", "--options", "7zip:compression=ppmd", "-cf", archivePath, "-C", dir.path(), "input"});
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitCode(), 0);
        QFile archive(archivePath);
        QVERIFY(archive.open(QIODevice::ReadOnly));
        const QByteArray bytes = archive.readAll();

        // One folder: its packed stream runs from the 32-byte start header to
        // the plain header, which names the coder (03 04 01) and its 5
        // property bytes, the order and the memory size.
        QVERIFY(bytes.size() > 32);
        std::uint64_t packedSize = 0;
        for (int i = 7; i >= 0; --i)
            packedSize = packedSize << 8 | static_cast<std::uint8_t>(bytes[12 + i]);
        QVERIFY(packedSize < static_cast<std::uint64_t>(bytes.size() - 32));
        const qsizetype header = 32 + static_cast<qsizetype>(packedSize);
        const qsizetype coder = bytes.indexOf(QByteArrayView("\x03\x04\x01\x05", 4), header);
        QVERIFY(coder > 0 && coder + 9 <= bytes.size());
        const unsigned order = static_cast<std::uint8_t>(bytes[coder + 4]);
        std::uint32_t memory = 0;
        for (int i = 3; i >= 0; --i)
            memory = memory << 8 | static_cast<std::uint8_t>(bytes[coder + 5 + i]);

        unrar::ppmd::Model model;
        model.start(order, memory);
        SevenZipRangeDecoder rc(QByteArrayView(bytes).sliced(32, header - 32));
        QByteArray decoded(original.size(), Qt::Uninitialized);
        for (char &c : decoded) {
            const int symbol = model.decodeSymbol(rc);
            QVERIFY(symbol >= 0);
            c = static_cast<char>(symbol);
        }
        QVERIFY(decoded == original);
    }
};

QTEST_APPLESS_MAIN(TestPpmdH)
#include "tst_ppmd_h.moc"
