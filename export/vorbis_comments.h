// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The comment list FLAC and Ogg Opus files keep their tags in: a vendor
// string and "NAME=value" fields in UTF-8, each after its little-endian
// 32-bit length. libsndfile writes only its own few names; an export adds
// the rest to the list it wrote.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

struct VorbisComments {
    QByteArray vendor;
    QList<QByteArray> fields;
};

// The list at the start of bytes; nothing when a length runs past their
// end. *size (if given) is how many bytes it took.
std::optional<VorbisComments> ParseVorbisComments(QByteArrayView bytes, qsizetype *size = nullptr);
QByteArray SerializeVorbisComments(const VorbisComments &comments);

// "NAME=value", the name in upper case (field names are case-insensitive).
QByteArray VorbisField(QByteArrayView name, const QString &value);
