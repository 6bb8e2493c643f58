// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "opus_comments.h"

#include "atomic_file.h"
#include "vorbis_comments.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <optional>

namespace {
constexpr qsizetype kPageHeader = 27; // up to the segment count
constexpr qsizetype kChecksumAt = 22;
constexpr qsizetype kLargestPage = kPageHeader + 255 + 255 * 255;
constexpr QByteArrayView kTagsMagic = "OpusTags";

bool fail(QString *error, const char *text)
{
    *error = QString::fromLatin1(text);
    return false;
}

// The page at offset: its header and segment table, and its body's size.
bool readPageHead(int handle, qint64 offset, QByteArray *head, qsizetype *bodySize, QString *error)
{
    if (!ReadAt(handle, offset, kPageHeader, head, error))
        return false;
    if (head->size() < kPageHeader || !head->startsWith("OggS"))
        return fail(error, "Not an Ogg page");
    const int segments = quint8(head->at(kPageHeader - 1));
    QByteArray table;
    if (!ReadAt(handle, offset + kPageHeader, segments, &table, error))
        return false;
    if (table.size() < segments)
        return fail(error, "The Ogg stream ends in a page");
    *head += table;
    *bodySize = 0;
    for (char lace : table)
        *bodySize += quint8(lace);
    return true;
}
} // namespace

quint32 OggChecksum(QByteArrayView bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r << 1) ^ ((r & 0x80000000u) ? 0x04c11db7u : 0);
            t[i] = r;
        }
        return t;
    }();
    quint32 crc = 0;
    for (char byte : bytes)
        crc = (crc << 8) ^ table[((crc >> 24) ^ quint8(byte)) & 0xff];
    return crc;
}

bool AddOpusComments(int handle, const QList<QByteArray> &fields, int *added, QString *error)
{
    *added = 0;
    QByteArray head;
    qsizetype bodySize = 0;
    if (!readPageHead(handle, 0, &head, &bodySize, error))
        return false;
    const qint64 tagsPage = head.size() + bodySize;
    if (!readPageHead(handle, tagsPage, &head, &bodySize, error))
        return false;
    // One whole packet on the page: not continued, and its last lacing value
    // below 255 (every other lacing value of one packet is 255).
    const QByteArrayView table = QByteArrayView(head).sliced(kPageHeader);
    const bool onePacket = !(head[5] & 1) && !table.isEmpty() && quint8(table.back()) < 255
        && std::all_of(table.begin(), table.end() - 1, [](char lace) { return quint8(lace) == 255; });
    QByteArray body;
    if (!ReadAt(handle, tagsPage + head.size(), bodySize, &body, error))
        return false;
    if (!onePacket || body.size() < bodySize || head.size() + bodySize > kLargestPage || !body.startsWith(kTagsMagic))
        return fail(error, "The Opus comment page is not libsndfile's");
    qsizetype used = 0;
    std::optional<VorbisComments> comments = ParseVorbisComments(QByteArrayView(body).sliced(kTagsMagic.size()), &used);
    // Padding starts with a clear lowest bit; anything else must be kept.
    const qsizetype end = kTagsMagic.size() + used;
    if (!comments || (end < body.size() && (body[end] & 1)))
        return fail(error, "The Opus comment page is not libsndfile's");

    QByteArray packet;
    for (const QByteArray &field : fields) {
        comments->fields << field;
        QByteArray longer = kTagsMagic.toByteArray() + SerializeVorbisComments(*comments);
        if (longer.size() > body.size()) {
            comments->fields.removeLast();
            continue;
        }
        packet = longer;
        ++*added;
    }
    if (packet.isEmpty())
        return true;
    packet.append(body.size() - packet.size(), '\0');
    QByteArray page = head + packet;
    qToLittleEndian<quint32>(0, page.data() + kChecksumAt);
    qToLittleEndian<quint32>(OggChecksum(page), page.data() + kChecksumAt);
    return WriteAt(handle, tagsPage, page, error);
}
