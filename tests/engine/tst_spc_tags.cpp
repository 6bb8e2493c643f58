// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// SPC tags from bytes: the ID666 tag's two forms, the xid6 chunk, the text
// encodings, the length rule, and tracks that stream past in pieces.
#include "playlist_file.h"
#include "spc_tags.h"

#include <QTest>

namespace {
QByteArray spcHeader(bool hasId666 = true)
{
    QByteArray h(spc::kHeaderSize, '\0');
    h.replace(0, 33, "SNES-SPC700 Sound File Data v0.30");
    h[0x23] = char(hasId666 ? 26 : 27);
    return h;
}

QByteArray with(QByteArray bytes, qsizetype at, const QByteArray &field)
{
    bytes.replace(at, field.size(), field);
    return bytes;
}

QByteArray le(quint32 value, int size)
{
    QByteArray out;
    for (int i = 0; i < size; ++i)
        out += char(value >> (8 * i));
    return out;
}

// Sub-chunks: id, type, then either a 16-bit value (type 0) or data.
QByteArray sub(int id, int type, const QByteArray &data, quint16 value = 0)
{
    QByteArray out = QByteArray(1, char(id)) + char(type) + le(type == 0 ? value : quint32(data.size()), 2) + data;
    return out + QByteArray((4 - data.size() % 4) % 4, '\0');
}

QByteArray xid6(const QByteArray &chunk, quint32 claimed = 0)
{
    return "xid6" + le(claimed ? claimed : quint32(chunk.size()), 4) + chunk;
}

SpcTags tags(const QString &title, const QString &game, const QString &artist, qint64 seconds, qint64 playMs = -1,
             qint64 fadeMs = -1, const QString &dumpDate = {})
{
    SpcTags t;
    std::tie(t.title, t.game, t.artist, t.seconds, t.playMs, t.fadeMs,
             t.dumpDate) = std::tie(title, game, artist, seconds, playMs, fadeMs, dumpDate);
    return t;
}

// An ID666 tag in either form; a negative fade leaves the field empty.
QByteArray id666(bool text, int play, int fade, const QByteArray &artist, bool dated)
{
    const QByteArray date = !dated ? QByteArray() : text ? QByteArray("01/02/2024") : le(20240102, 4);
    const QByteArray playBytes = text ? QByteArray::number(play) : le(play, 3);
    const QByteArray fadeBytes = text ? QByteArray::number(fade).replace("-1", "") : le(std::max(fade, 0), 4);
    const QByteArray named = with(with(with(spcHeader(), 0x2E, "Song"), 0x6E, "Dumper"), 0x7E, "Comment");
    return with(with(with(with(named, 0x9E, date), 0xA9, playBytes), 0xAC, fadeBytes), text ? 0xB1 : 0xB0, artist);
}
} // namespace

class SpcTagsTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void decode_data();
    void decode();
    void streamedInPieces();
    void extinf();
};

void SpcTagsTest::parse_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("extended");
    QTest::addColumn<SpcTags>("expected");

    const QByteArray named = with(with(spcHeader(), 0x2E, "Opening"), 0x4E, "Castle Quest");
    const QByteArray text = with(with(with(named, 0xA9, "120"), 0xAC, "10000"), 0xB1, "Composer");
    QTest::newRow("text form") << text << QByteArray()
                               << tags("Opening", "Castle Quest", "Composer", 130, 120000, 10000);
    const QByteArray binary = with(with(with(with(named, 0x9E, le(20010715, 4)), 0xA9, le(180, 3)), 0xAC, le(5500, 4)),
                                   0xB0, "Composer");
    QTest::newRow("binary form, half a second rounds up")
        << binary << QByteArray() << tags("Opening", "Castle Quest", "Composer", 186, 180000, 5500, "2001-07-15");
    QTest::newRow("one digit-like byte without a date is a text jingle")
        << with(named, 0xA9, le(53, 3)) << QByteArray() << tags("Opening", "Castle Quest", "", 5, 5000, 0);
    QTest::newRow("binary date as day, month and year")
        << with(with(named, 0x9E, QByteArray("\x02\x01\xE8\x07", 4)), 0xA9, le(0x36, 3)) << QByteArray()
        << tags("Opening", "Castle Quest", "", 54, 54000, 0, "2024-01-02");
    QTest::newRow("fade alone, rounded down")
        << with(named, 0xAC, "1499") << QByteArray() << tags("Opening", "Castle Quest", "", 1, -1, 1499);
    QTest::newRow("no length") << named << QByteArray() << tags("Opening", "Castle Quest", "", -1);
    QTest::newRow("no ID666 tag") << with(spcHeader(false), 0x2E, "Opening") << QByteArray() << SpcTags();
    QTest::newRow("not an SPC file") << with(text, 0, "RIFF") << xid6(sub(1, 1, "Song")) << SpcTags();
    QTest::newRow("short file") << text.first(0xA0) << QByteArray() << SpcTags();

    const QByteArray timed = sub(0x30, 4, le(64000 * 100, 4)) + sub(0x31, 4, le(64000 * 10, 4)) + sub(0x35, 0, {}, 2)
        + sub(0x33, 4, le(64000 * 5 + 32000, 4));
    QTest::newRow("xid6 names and lengths win")
        << text << xid6(sub(1, 1, "A Title Longer Than Thirty-Two Bytes\0") + sub(3, 1, "Full Name") + timed)
        << tags("A Title Longer Than Thirty-Two Bytes", "Castle Quest", "Full Name", 126, 120000, 5500);
    QTest::newRow("xid6 ticks round to the nearest millisecond")
        << text << xid6(sub(0x30, 4, le(64000 + 31, 4)) + sub(0x33, 4, le(32, 4)))
        << tags("Opening", "Castle Quest", "Composer", 1, 1000, 1);
    QTest::newRow("xid6 loop without count plays once, ID666 fade")
        << text << xid6(sub(0x31, 4, le(64000 * 60, 4)))
        << tags("Opening", "Castle Quest", "Composer", 70, 60000, 10000);
    QTest::newRow("xid6 without ID666") << spcHeader(false) << xid6(sub(2, 1, "Game")) << tags("", "Game", "", -1);
    QTest::newRow("xid6 claiming more than the bound is not read")
        << text << xid6(sub(1, 1, "Song"), quint32(spc::kXid6MaxChunk + 1))
        << tags("Opening", "Castle Quest", "Composer", 130, 120000, 10000);
    QTest::newRow("xid6 sub-chunk past the chunk's end ends the walk")
        << text << xid6(sub(3, 1, "Kept") + QByteArray("\x01\x01\xFF\x7F", 4) + "Song")
        << tags("Opening", "Castle Quest", "Kept", 130, 120000, 10000);
    // Both forms, lengths of one to three digits, fades of none to five
    // digits, artists empty or starting with a digit, with and without a date.
    for (bool text : {true, false}) {
        for (int play : {5, 42, 120}) {
            for (int fade : {-1, 7, 50, 500, 5000, 10000}) {
                for (auto [artist, dated] :
                     {std::pair("", false), {"", true}, {"2 Unlimited", false}, {"Composer", true}}) {
                    const int ms = std::max(fade, 0);
                    const QString date = dated ? (text ? "01/02/2024" : "2024-01-02") : "";
                    SpcTags expected = tags("Song", "", artist, play + (ms + 500) / 1000, play * 1000, ms, date);
                    std::tie(expected.dumper, expected.comment) = std::pair("Dumper", "Comment");
                    QTest::addRow("%s %d s, fade %d, artist '%s', dated %d", text ? "text" : "binary", play, fade,
                                  artist, dated)
                        << id666(text, play, fade, artist, dated) << QByteArray() << expected;
                }
            }
        }
    }
    SpcTags album = tags("Song", "", "", 90, 90000, 0, "2023-12-31");
    std::tie(album.dumper, album.comment, album.ostTitle, album.publisher, album.ostDisc, album.ostTrack,
             album.year) = std::tuple("Other", "Longer comment", "Soundtrack", "Publisher", 2, 14, 1995);
    QTest::newRow("xid6 album fields") << id666(true, 90, 0, "", true)
                                       << xid6(sub(4, 1, "Other") + sub(5, 4, le(20231231, 4))
                                               + sub(7, 1, "Longer comment") + sub(0x10, 1, "Soundtrack")
                                               + sub(0x11, 0, {}, 2) + sub(0x12, 0, {}, 14 << 8 | 'b')
                                               + sub(0x13, 1, "Publisher") + sub(0x14, 0, {}, 1995))
                                       << album;
    QTest::newRow("xid6 cut short") << text << xid6(sub(1, 1, "Song")).first(10)
                                    << tags("Opening", "Castle Quest", "Composer", 130, 120000, 10000);
}

void SpcTagsTest::parse()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, extended);
    QFETCH(SpcTags, expected);
    QCOMPARE(ParseSpcTags(header, extended), expected);
}

void SpcTagsTest::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ASCII, padded") << QByteArray("  Opening \0junk", 15) << QStringLiteral("Opening");
    QTest::newRow("UTF-8") << QByteArray("Pok\xC3\xA9mon") << QStringLiteral("Pokémon");
    QTest::newRow("Shift-JIS") << QByteArray("\x83\x7D\x83\x8A\x83\x49") << QStringLiteral("マリオ");
    QTest::newRow("Windows-1252") << QByteArray("Caf\xE9 \x80\x99") << QStringLiteral("Café €™");
    QTest::newRow("cut Shift-JIS falls to Windows-1252") << QByteArray("\x83\x7D\x83") << QStringLiteral("ƒ}ƒ");
    QTest::newRow("line breaks are not text") << QByteArray("a\r\nb\t") << QStringLiteral("a  b");
}

void SpcTagsTest::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(DecodeTagText(bytes), expected);
}

void SpcTagsTest::streamedInPieces()
{
    QByteArray track = with(with(spcHeader(), 0x2E, "Opening"), 0xA9, "90");
    track += QByteArray(spc::kXid6Offset - track.size(), 'r') + xid6(sub(3, 1, "Composer")) + QByteArray(5000, 'x');
    for (int piece : {1, 255, 4096, 70000}) {
        SpcTagBytes bytes;
        for (qsizetype at = 0; at < track.size(); at += piece)
            bytes.append(QByteArrayView(track).sliced(at, std::min<qsizetype>(piece, track.size() - at)));
        QCOMPARE(bytes.header(), QByteArrayView(track).first(spc::kHeaderSize));
        QCOMPARE(bytes.xid6(), QByteArrayView(track).sliced(spc::kXid6Offset));
        QCOMPARE(ParseSpcTags(bytes.header(), bytes.xid6()), tags("Opening", "", "Composer", 90, 90000, 0));
    }
}

void SpcTagsTest::extinf()
{
    QCOMPARE(ExtinfLine(tags("Title", "Game", "Artist", 75), "01.spc"), QStringLiteral("#EXTINF:75,Artist - Title"));
    QCOMPARE(ExtinfLine(tags("Title", "", "", 5), "01.spc"), QStringLiteral("#EXTINF:5,Title"));
    QCOMPARE(ExtinfLine(tags("", "Game", "Artist", -1), "01.spc"), QStringLiteral("#EXTINF:-1,01.spc"));
}

QTEST_APPLESS_MAIN(SpcTagsTest)
#include "tst_spc_tags.moc"
