// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The tags an exported file carries, from its SPC tags and its place in
// the album. Empty values are left out.
#pragma once

#include "spc_tags.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct ExportTags {
    // libsndfile writes these itself (Vorbis comments, RIFF INFO).
    QString title;
    QString artist;
    QString album;       // the soundtrack's title when xid6 has one, else the game
    QString trackNumber; // the file name's NN
    QString date;        // the copyright year
    QString comment;
    // Only Vorbis comments carry these: libsndfile has no names for them.
    QString trackTotal;
    QString disc;
    QString organization; // the publisher
    QString dumper;       // who made the SPC file

    // The fields libsndfile cannot write, as "NAME=value".
    QList<QByteArray> extraVorbisFields() const;
};

// title is the track's name (its tag, else its file name); fallbackAlbum
// names the album when the tags do not.
ExportTags TagsForExport(const SpcTags &tags, const QString &title, const QString &fallbackAlbum,
                         const QString &trackNumber, int trackTotal);
