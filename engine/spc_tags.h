// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What an SPC track says about itself: the ID666 tag in its first 256 bytes
// and the extended "xid6" chunk after the RAM image. Pure functions over
// bytes; reading them out of an archive is spc_tag_reader's job.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct SpcTags {
    QString title;
    QString game;
    QString artist;
    qint64 seconds = -1; // play time with the fade, whole seconds; -1 unknown

    // Exact timing: how long the track plays before its fade, and the fade;
    // -1 when the tag does not say (a tag giving a play time and no fade
    // fades over 0). xid6's intro + loop x count + end and its fade
    // (1/64000 s, to the nearest ms) win over ID666's seconds and ms.
    qint64 playMs = -1;
    qint64 fadeMs = -1;

    // What an exported file carries besides the names above.
    QString dumper;
    QString comment;
    QString dumpDate;  // a text tag's as written ("01/02/2024"); binary and xid6 dates as "2024-01-02"
    QString ostTitle;  // xid6: the soundtrack album's title
    int ostDisc = -1;  // xid6: the disc, -1 unknown
    int ostTrack = -1; // xid6: the track number on the album (the upper byte), -1 unknown
    QString publisher; // xid6
    int year = -1;     // xid6: the copyright year, -1 unknown

    bool isEmpty() const { return title.isEmpty() && game.isEmpty() && artist.isEmpty() && seconds < 0; }
    bool operator==(const SpcTags &) const = default;
};

namespace spc {
inline constexpr qsizetype kHeaderSize = 0x100;   // signature, registers, ID666
inline constexpr qsizetype kXid6Offset = 0x10200; // after the 64 KiB RAM and the DSP/IPL blocks
inline constexpr qsizetype kXid6HeaderSize = 8;   // "xid6" and the chunk's length
// Real chunks hold a few short strings; anything claiming more is not read.
inline constexpr qsizetype kXid6MaxChunk = 0x4000;
} // namespace spc

// Keeps the bytes of one track that hold its tags while the track streams
// past in pieces of any size.
class SpcTagBytes {
public:
    void append(QByteArrayView piece);
    QByteArrayView header() const { return m_header; }
    QByteArrayView xid6() const { return m_xid6; }

private:
    qint64 m_offset = 0;
    QByteArray m_header;
    QByteArray m_xid6;
};

// The tags of a track whose first bytes are header (at most kHeaderSize are
// looked at) and whose bytes from kXid6Offset on are xid6 (empty when the
// track is shorter). Anything that is not a tag gives empty fields.
SpcTags ParseSpcTags(QByteArrayView header, QByteArrayView xid6);

// Tag text as users read it: UTF-8 when valid, else Shift-JIS when valid,
// else Windows-1252; cut at the first NUL and trimmed of spaces.
QString DecodeTagText(QByteArrayView bytes);
