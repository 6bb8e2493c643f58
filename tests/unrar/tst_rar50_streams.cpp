// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR 5 streams that no real archive here holds: the ARM and x86 CALL/JMP
// filters at a file offset, RAR 7's larger distance alphabet, and distances
// that reach before the stream. Streams are written with fixed-width codes.
#include "unpack/unpacker.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using unrar::UnpackResult;

Q_DECLARE_METATYPE(UnpackResult)

namespace {

// One block with tables in which every code is a plain binary number:
// main symbols 9 bits, distance slots 7, align 4, length slots 6.
class StreamWriter {
public:
    explicit StreamWriter(bool rar7)
    {
        for (int i = 0; i < 20; ++i)
            put(5, 4); // the level code: symbol n is n in five bits
        const int distances = rar7 ? 80 : 64;
        for (int i = 0; i < 306 + distances + 16 + 44; ++i)
            put(i < 306 ? 9 : i < 306 + distances ? 7 : i < 306 + distances + 16 ? 4 : 6, 5);
    }
    StreamWriter &literals(const std::string &bytes)
    {
        for (unsigned char c : bytes)
            put(c, 9);
        return *this;
    }
    // Length slot 0 (two bytes, more for long distances), distance slot < 4.
    StreamWriter &match(unsigned distanceSlot)
    {
        put(262, 9);
        put(distanceSlot, 7);
        return *this;
    }
    StreamWriter &filter(unsigned start, unsigned length, unsigned type)
    {
        put(256, 9);
        for (unsigned v : {start, length}) {
            put(3, 2); // four bytes, low first
            for (int i = 0; i < 4; ++i)
                put((v >> (8 * i)) & 0xFF, 8);
        }
        put(type, 3);
        return *this;
    }
    // The block header and its bits.
    std::string bytes() const
    {
        std::string data = m_bits;
        const auto validBits = static_cast<unsigned>(data.size() % 8 ? data.size() % 8 : 8);
        data.resize((data.size() + 7) / 8 * 8, '0');
        std::string packed;
        for (std::size_t i = 0; i < data.size(); i += 8)
            packed += static_cast<char>(std::stoi(data.substr(i, 8), nullptr, 2));
        const auto size = static_cast<unsigned>(packed.size());
        const unsigned flags = 0xC0 | 2u << 3 | (validBits - 1); // tables, last block, 3 size bytes
        std::string header{static_cast<char>(flags), 0, static_cast<char>(size), static_cast<char>(size >> 8),
                           static_cast<char>(size >> 16)};
        header[1] = static_cast<char>(0x5A ^ flags ^ size ^ (size >> 8) ^ (size >> 16));
        return header + packed;
    }

private:
    void put(unsigned value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            m_bits += (value >> i) & 1 ? '1' : '0';
    }
    std::string m_bits;
};

struct Input : unrar::PackedInput {
    std::string data;
    std::size_t pos = 0;
    std::size_t read(std::uint8_t *dst, std::size_t n) override
    {
        n = std::min(n, data.size() - pos);
        std::memcpy(dst, data.data() + pos, n);
        pos += n;
        return n;
    }
};

struct Output : unrar::ByteSink {
    std::string data;
    bool write(const std::uint8_t *p, std::size_t n) override
    {
        data.append(reinterpret_cast<const char *>(p), n);
        return true;
    }
};

} // namespace

class Rar50Streams : public QObject {
    Q_OBJECT
private slots:
    void decodes_data()
    {
        QTest::addColumn<unsigned>("unpVer");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<UnpackResult>("result");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char *name, unsigned ver, const StreamWriter &w, UnpackResult r,
                            const std::string &out) {
            const std::string s = w.bytes();
            QTest::newRow(name) << ver << QByteArray(s.data(), qsizetype(s.size())) << r
                                << QByteArray(out.data(), qsizetype(out.size()));
        };
        using namespace std::string_literals;
        // BL targets are stored as word offsets from the member's start: the
        // block starts 4 bytes after the filter record, 8 into the member.
        row("ARM at a file offset", 50,
            StreamWriter(false).literals("abcd").filter(4, 8, 3).literals("efgh\0\0\0\xEB\x12\0\0\xEB"s),
            UnpackResult::Ok, "abcdefgh\xFE\xFF\xFF\xEB\x0F\0\0\xEB"s);
        // CALL and JMP targets: 0x10 absolute from the byte after the opcode.
        row("E8E9", 50, StreamWriter(false).filter(0, 12, 2).literals("\xE8\x11\0\0\0\xE9\x16\0\0\0\x90\x90"s),
            UnpackResult::Ok, "\xE8\x10\0\0\0\xE9\x10\0\0\0\x90\x90"s);
        row("E8 leaves JMP", 50, StreamWriter(false).filter(0, 7, 1).literals("\xE9\x11\0\0\0\x90\x90"s),
            UnpackResult::Ok, "\xE9\x11\0\0\0\x90\x90"s);
        row("RAR 7 tables", 70, StreamWriter(true).literals("xy").match(1).match(3), UnpackResult::Ok, "xyxyxy");
        row("before the stream", 50, StreamWriter(false).literals("xy").match(3), UnpackResult::BadData, "");
        row("ends early", 50, StreamWriter(false).literals("xyz"), UnpackResult::BadData, "");
    }
    void decodes()
    {
        QFETCH(unsigned, unpVer);
        QFETCH(QByteArray, stream);
        QFETCH(UnpackResult, result);
        QFETCH(QByteArray, bytes);
        Input in;
        in.data = stream.toStdString();
        Output out;
        const std::uint64_t size = result == UnpackResult::Ok ? std::uint64_t(bytes.size()) : 7;
        QCOMPARE(unrar::makeUnpacker(unpVer)->unpack(in, out, {size, 1u << 20, false}), result);
        if (result == UnpackResult::Ok)
            QCOMPARE(QByteArray::fromStdString(out.data), bytes);
    }
};

QTEST_APPLESS_MAIN(Rar50Streams)
#include "tst_rar50_streams.moc"
