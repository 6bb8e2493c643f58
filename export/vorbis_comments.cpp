// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "vorbis_comments.h"

#include <QtEndian>

namespace {
struct Reader {
    QByteArrayView bytes;
    qsizetype at = 0;

    std::optional<quint32> number()
    {
        if (bytes.size() - at < 4)
            return std::nullopt;
        const quint32 value = qFromLittleEndian<quint32>(bytes.data() + at);
        at += 4;
        return value;
    }
    std::optional<QByteArray> text()
    {
        const std::optional<quint32> length = number();
        if (!length || *length > quint64(bytes.size() - at))
            return std::nullopt;
        QByteArray value = bytes.sliced(at, qsizetype(*length)).toByteArray();
        at += qsizetype(*length);
        return value;
    }
};

void appendText(QByteArray &out, QByteArrayView text)
{
    char length[4];
    qToLittleEndian<quint32>(quint32(text.size()), length);
    out.append(length, 4).append(text);
}
} // namespace

std::optional<VorbisComments> ParseVorbisComments(QByteArrayView bytes, qsizetype *size)
{
    Reader reader{bytes};
    VorbisComments comments;
    const std::optional<QByteArray> vendor = reader.text();
    const std::optional<quint32> count = reader.number();
    // Each field takes at least its length's four bytes: a count past that is a lie.
    if (!vendor || !count || *count > quint64(bytes.size() - reader.at) / 4)
        return std::nullopt;
    comments.vendor = *vendor;
    for (quint32 i = 0; i < *count; ++i) {
        std::optional<QByteArray> field = reader.text();
        if (!field)
            return std::nullopt;
        comments.fields << *field;
    }
    if (size)
        *size = reader.at;
    return comments;
}

QByteArray SerializeVorbisComments(const VorbisComments &comments)
{
    QByteArray out;
    appendText(out, comments.vendor);
    char count[4];
    qToLittleEndian<quint32>(quint32(comments.fields.size()), count);
    out.append(count, 4);
    for (const QByteArray &field : comments.fields)
        appendText(out, field);
    return out;
}

QByteArray VorbisField(QByteArrayView name, const QString &value)
{
    return name.toByteArray().toUpper() + '=' + value.toUtf8();
}
