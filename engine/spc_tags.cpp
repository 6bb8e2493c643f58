// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "spc_tags.h"

#include <QStringDecoder>

#include <algorithm>

namespace {
// ID666 field offsets; the binary form moves the artist one byte down.
constexpr qsizetype kHasId666 = 0x23; // 26 when the tag is there, 27 when not
constexpr qsizetype kTitle = 0x2E;
constexpr qsizetype kGame = 0x4E;
constexpr qsizetype kDate = 0x9E;
constexpr qsizetype kPlaySeconds = 0xA9;
constexpr qsizetype kFadeMs = 0xAC;
constexpr qsizetype kTextArtist = 0xB1;
constexpr qsizetype kBinaryArtist = 0xB0;
constexpr qsizetype kNameSize = 32;
constexpr char kSignature[] = "SNES-SPC700 Sound File Data";

// xid6 sub-chunk ids and the clock its lengths count in.
enum Xid6Id : unsigned char {
    Xid6Title = 0x01,
    Xid6Game = 0x02,
    Xid6Artist = 0x03,
    Xid6Intro = 0x30,
    Xid6Loop = 0x31,
    Xid6End = 0x32,
    Xid6Fade = 0x33,
    Xid6LoopCount = 0x35,
};
constexpr qint64 kXid6TicksPerSecond = 64000;

unsigned byteAt(QByteArrayView bytes, qsizetype at)
{
    return static_cast<unsigned char>(bytes[at]);
}

quint32 littleEndian(QByteArrayView bytes)
{
    quint32 value = 0;
    for (qsizetype i = std::min<qsizetype>(bytes.size(), 4); i-- > 0;)
        value = value << 8 | byteAt(bytes, i);
    return value;
}

bool isDigit(unsigned c)
{
    return c >= '0' && c <= '9';
}

// A number written left-aligned in text: digits, then only NULs.
bool isTextNumber(QByteArrayView field)
{
    qsizetype i = 0;
    while (i < field.size() && isDigit(byteAt(field, i)))
        ++i;
    return std::all_of(field.begin() + i, field.end(), [](char c) { return c == '\0'; });
}

qint64 textNumber(QByteArrayView field)
{
    qint64 value = 0;
    for (char c : field) {
        if (!isDigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The tag's two forms share their offsets up to the play time. The text
// form writes the date and both lengths as digits; the binary form writes
// them as numbers, whose bytes are mostly not digits. A lone digit is read
// as a binary length of 48 to 57 seconds: a text length below ten seconds
// is not a song.
bool isTextForm(QByteArrayView header)
{
    const QByteArrayView date = header.sliced(kDate, kPlaySeconds - kDate);
    const bool dateIsText = std::all_of(date.begin(), date.end(), [](char c) {
        return c == '\0' || c == '/' || c == '-' || c == '.' || isDigit(static_cast<unsigned char>(c));
    });
    const QByteArrayView play = header.sliced(kPlaySeconds, 3);
    const bool loneDigit = isDigit(byteAt(play, 0)) && play[1] == '\0' && play[2] == '\0';
    return dateIsText && isTextNumber(play) && isTextNumber(header.sliced(kFadeMs, kTextArtist - kFadeMs))
        && !loneDigit;
}

QString windows1252(QByteArrayView bytes)
{
    // 0x80-0x9F; the five unassigned bytes keep their C1 code points.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned c = byteAt(bytes, i);
        text[i] = QChar(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : char16_t(c));
    }
    return text;
}

// The text when the whole of bytes decodes without error, else null.
QString decodedWithout(QStringDecoder decoder, QByteArrayView bytes)
{
    if (!decoder.isValid())
        return {};
    QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

struct Xid6 {
    SpcTags names;
    qint64 intro = -1, loop = -1, end = -1, fade = -1;
    qint64 loopCount = 1; // a loop given without a count plays once
};

// Walks the sub-chunks (id, type, length, data padded to four bytes) that
// lie wholly inside the chunk; a chunk claiming more than the bound is not
// read at all.
Xid6 parseXid6(QByteArrayView bytes)
{
    Xid6 result;
    if (bytes.size() < spc::kXid6HeaderSize || bytes.first(4) != QByteArrayView("xid6"))
        return result;
    const quint32 claimed = littleEndian(bytes.sliced(4, 4));
    if (claimed > quint32(spc::kXid6MaxChunk))
        return result;
    const QByteArrayView chunk =
        bytes.sliced(spc::kXid6HeaderSize).first(std::min<qsizetype>(claimed, bytes.size() - spc::kXid6HeaderSize));
    qsizetype at = 0;
    while (at + 4 <= chunk.size()) {
        const unsigned id = byteAt(chunk, at);
        const unsigned type = byteAt(chunk, at + 1);
        const qsizetype length = qsizetype(littleEndian(chunk.sliced(at + 2, 2)));
        at += 4;
        QByteArrayView data;
        qint64 number = length; // type 0 keeps its value in the length field
        if (type != 0) {
            if (length > chunk.size() - at)
                break;
            data = chunk.sliced(at, length);
            number = littleEndian(data);
            at += (length + 3) & ~qsizetype(3);
        }
        switch (id) {
        case Xid6Title:
            result.names.title = DecodeTagText(data);
            break;
        case Xid6Game:
            result.names.game = DecodeTagText(data);
            break;
        case Xid6Artist:
            result.names.artist = DecodeTagText(data);
            break;
        case Xid6Intro:
            result.intro = number;
            break;
        case Xid6Loop:
            result.loop = number;
            break;
        case Xid6End:
            result.end = number;
            break;
        case Xid6Fade:
            result.fade = number;
            break;
        case Xid6LoopCount:
            result.loopCount = number & 0xFF;
            break;
        default:
            break;
        }
    }
    return result;
}

qint64 wholeSeconds(qint64 amount, qint64 perSecond)
{
    return amount > 0 ? (amount + perSecond / 2) / perSecond : -1;
}
} // namespace

void SpcTagBytes::append(QByteArrayView piece)
{
    // Copies the part of piece that falls into [start, start + size).
    auto keep = [&](QByteArray &into, qint64 start, qint64 size) {
        const qint64 from = std::max(start, m_offset);
        const qint64 to = std::min(start + size, m_offset + piece.size());
        if (from < to && from == start + into.size())
            into.append(piece.sliced(from - m_offset, to - from));
    };
    keep(m_header, 0, spc::kHeaderSize);
    keep(m_xid6, spc::kXid6Offset, spc::kXid6HeaderSize + spc::kXid6MaxChunk);
    m_offset += piece.size();
}

QString DecodeTagText(QByteArrayView bytes)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes = bytes.first(nul);
    QString text = decodedWithout(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless), bytes);
    if (text.isNull() && !bytes.isEmpty())
        text = decodedWithout(QStringDecoder("Shift_JIS", QStringDecoder::Flag::Stateless), bytes);
    if (text.isNull())
        text = windows1252(bytes);
    // Control characters are not text, and a line break would end a playlist line.
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text.trimmed();
}

SpcTags ParseSpcTags(QByteArrayView header, QByteArrayView xid6)
{
    SpcTags tags;
    if (header.size() < spc::kHeaderSize || !header.startsWith(QByteArrayView(kSignature)))
        return tags;

    qint64 fadeMs = 0;
    if (header[kHasId666] == 26) {
        const bool text = isTextForm(header);
        tags.title = DecodeTagText(header.sliced(kTitle, kNameSize));
        tags.game = DecodeTagText(header.sliced(kGame, kNameSize));
        tags.artist = DecodeTagText(header.sliced(text ? kTextArtist : kBinaryArtist, kNameSize));
        const qint64 playSeconds = text ? textNumber(header.sliced(kPlaySeconds, 3))
                                        : littleEndian(header.sliced(kPlaySeconds, 3));
        fadeMs = text ? textNumber(header.sliced(kFadeMs, 5)) : littleEndian(header.sliced(kFadeMs, 4));
        tags.seconds = wholeSeconds(playSeconds * 1000 + fadeMs, 1000);
    }

    const Xid6 extended = parseXid6(xid6);
    for (auto field : {&SpcTags::title, &SpcTags::game, &SpcTags::artist}) {
        if (!(extended.names.*field).isEmpty())
            tags.*field = extended.names.*field;
    }
    if (extended.intro >= 0 || extended.loop >= 0 || extended.end >= 0) {
        const qint64 play = std::max<qint64>(extended.intro, 0)
            + std::max<qint64>(extended.loop, 0) * extended.loopCount + std::max<qint64>(extended.end, 0);
        const qint64 fade = extended.fade >= 0 ? extended.fade : fadeMs * (kXid6TicksPerSecond / 1000);
        tags.seconds = wholeSeconds(play + fade, kXid6TicksPerSecond);
    }
    return tags;
}
