// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "spc_tags.h"

#include "text_encoding.h"

#include <algorithm>

namespace {
// ID666 field offsets; the binary form moves the artist one byte down.
constexpr qsizetype kHasId666 = 0x23; // 26 when the tag is there, 27 when not
constexpr qsizetype kTitle = 0x2E;
constexpr qsizetype kGame = 0x4E;
constexpr qsizetype kDumper = 0x6E;
constexpr qsizetype kComment = 0x7E;
constexpr qsizetype kDate = 0x9E;
constexpr qsizetype kPlaySeconds = 0xA9;
constexpr qsizetype kFadeMs = 0xAC;
constexpr qsizetype kTextArtist = 0xB1;
constexpr qsizetype kBinaryArtist = 0xB0;
constexpr qsizetype kNameSize = 32;
constexpr qsizetype kDumperSize = 16;
constexpr qsizetype kTextDateSize = kPlaySeconds - kDate;
constexpr qsizetype kPlaySize = kFadeMs - kPlaySeconds;
constexpr qsizetype kTextFadeSize = kTextArtist - kFadeMs;
constexpr qsizetype kBinaryFadeSize = kBinaryArtist - kFadeMs;
constexpr char kSignature[] = "SNES-SPC700 Sound File Data";

// xid6 sub-chunk ids and the clock its lengths count in.
enum Xid6Id : unsigned char {
    Xid6Title = 0x01,
    Xid6Game = 0x02,
    Xid6Artist = 0x03,
    Xid6Dumper = 0x04,
    Xid6Date = 0x05,
    Xid6Comment = 0x07,
    Xid6OstTitle = 0x10,
    Xid6OstDisc = 0x11,
    Xid6OstTrack = 0x12,
    Xid6Publisher = 0x13,
    Xid6Year = 0x14,
    Xid6Intro = 0x30,
    Xid6Loop = 0x31,
    Xid6End = 0x32,
    Xid6Fade = 0x33,
    Xid6LoopCount = 0x35,
};
constexpr qint64 kXid6TicksPerSecond = 64000;
constexpr qint64 kXid6TicksPerMs = kXid6TicksPerSecond / 1000;

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

// "YYYY-MM-DD" for a plausible date, else null.
QString isoDate(qint64 year, qint64 month, qint64 day)
{
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QChar(u'0'))
        .arg(month, 2, 10, QChar(u'0'))
        .arg(day, 2, 10, QChar(u'0'));
}

QString packedDate(quint32 yyyymmdd)
{
    return isoDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

// The binary form's date: packed yyyymmdd, or as some dumpers write it, a
// day byte, a month byte and a 16-bit year.
QString binaryDate(QByteArrayView date)
{
    const QString packed = packedDate(littleEndian(date));
    if (!packed.isNull())
        return packed;
    return isoDate(littleEndian(date.sliced(2, 2)), byteAt(date, 1), byteAt(date, 0));
}

// The two forms share every offset before the date and disagree from there
// on, with nothing saying which one a tag uses. A tag is text when its play
// and fade fields hold digits padded with NULs (the fade's five bytes reach
// 0xB0, where a binary artist would start with a letter), unless its date is
// a binary date, whose day, month or year bytes no text date can hold. The
// one tag this cannot tell apart, a binary one without a date, length and
// fade bytes that all look like digits and no artist, reads as the short
// jingle its text reading is.
bool isTextForm(QByteArrayView header)
{
    return isTextNumber(header.sliced(kPlaySeconds, kPlaySize)) && isTextNumber(header.sliced(kFadeMs, kTextFadeSize))
        && binaryDate(header.sliced(kDate, 4)).isNull();
}

struct Xid6 {
    SpcTags fields; // the names and album fields it gives; the rest stay unknown
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
    SpcTags &fields = result.fields;
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
            fields.title = DecodeTagText(data);
            break;
        case Xid6Game:
            fields.game = DecodeTagText(data);
            break;
        case Xid6Artist:
            fields.artist = DecodeTagText(data);
            break;
        case Xid6Dumper:
            fields.dumper = DecodeTagText(data);
            break;
        case Xid6Date:
            fields.dumpDate = packedDate(quint32(number));
            break;
        case Xid6Comment:
            fields.comment = DecodeTagText(data);
            break;
        case Xid6OstTitle:
            fields.ostTitle = DecodeTagText(data);
            break;
        case Xid6OstDisc:
            fields.ostDisc = int(number & 0xFF);
            break;
        case Xid6OstTrack:
            fields.ostTrack = int(number >> 8 & 0xFF); // the lower byte is an optional letter
            break;
        case Xid6Publisher:
            fields.publisher = DecodeTagText(data);
            break;
        case Xid6Year:
            fields.year = int(number & 0xFFFF);
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

// What xid6 gives wins over what ID666 gives.
void overrideWith(SpcTags &tags, const SpcTags &extended)
{
    for (auto field : {&SpcTags::title, &SpcTags::game, &SpcTags::artist, &SpcTags::dumper, &SpcTags::comment,
                       &SpcTags::dumpDate, &SpcTags::ostTitle, &SpcTags::publisher}) {
        if (!(extended.*field).isEmpty())
            tags.*field = extended.*field;
    }
    for (auto field : {&SpcTags::ostDisc, &SpcTags::ostTrack, &SpcTags::year}) {
        if (extended.*field >= 0)
            tags.*field = extended.*field;
    }
}

qint64 wholeSeconds(qint64 amount, qint64 perSecond)
{
    return amount > 0 ? (amount + perSecond / 2) / perSecond : -1;
}

qint64 nearestMs(qint64 ticks)
{
    return (ticks + kXid6TicksPerMs / 2) / kXid6TicksPerMs;
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
    QString text = DecodeStrictly(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless), bytes);
    if (text.isNull() && !bytes.isEmpty())
        text = DecodeStrictly(QStringDecoder("Shift_JIS", QStringDecoder::Flag::Stateless), bytes);
    if (text.isNull())
        text = DecodeWindows1252(bytes);
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
        tags.dumper = DecodeTagText(header.sliced(kDumper, kDumperSize));
        tags.comment = DecodeTagText(header.sliced(kComment, kNameSize));
        tags.artist = DecodeTagText(header.sliced(text ? kTextArtist : kBinaryArtist, kNameSize));
        tags.dumpDate = text ? DecodeTagText(header.sliced(kDate, kTextDateSize)) : binaryDate(header.sliced(kDate, 4));
        const QByteArrayView play = header.sliced(kPlaySeconds, kPlaySize);
        const QByteArrayView fade = header.sliced(kFadeMs, text ? kTextFadeSize : kBinaryFadeSize);
        const qint64 playSeconds = text ? textNumber(play) : littleEndian(play);
        fadeMs = text ? textNumber(fade) : littleEndian(fade);
        tags.seconds = wholeSeconds(playSeconds * 1000 + fadeMs, 1000);
        // A tag that gives a length and no fade fades over none.
        const bool fadeGiven = text ? isDigit(byteAt(fade, 0)) : fadeMs > 0;
        tags.playMs = playSeconds > 0 ? playSeconds * 1000 : -1;
        tags.fadeMs = fadeGiven || playSeconds > 0 ? fadeMs : -1;
    }

    const Xid6 extended = parseXid6(xid6);
    overrideWith(tags, extended.fields);
    if (extended.intro >= 0 || extended.loop >= 0 || extended.end >= 0) {
        const qint64 play = std::max<qint64>(extended.intro, 0)
            + std::max<qint64>(extended.loop, 0) * extended.loopCount + std::max<qint64>(extended.end, 0);
        const qint64 fade = extended.fade >= 0 ? extended.fade : fadeMs * kXid6TicksPerMs;
        tags.seconds = wholeSeconds(play + fade, kXid6TicksPerSecond);
        tags.playMs = play > 0 ? nearestMs(play) : -1;
    }
    if (extended.fade >= 0)
        tags.fadeMs = nearestMs(extended.fade);
    return tags;
}
