// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_tags.h"

#include "vorbis_comments.h"

QList<QByteArray> ExportTags::extraVorbisFields() const
{
    QList<QByteArray> fields;
    const std::pair<const char *, const QString *> named[] = {
        {"TRACKTOTAL", &trackTotal}, {"DISCNUMBER", &disc}, {"ORGANIZATION", &organization}, {"DUMPER", &dumper}};
    for (const auto &[name, value] : named) {
        if (!value->isEmpty())
            fields << VorbisField(name, *value);
    }
    return fields;
}

ExportTags TagsForExport(const SpcTags &tags, const QString &title, const QString &fallbackAlbum,
                         const QString &trackNumber, int trackTotal)
{
    ExportTags out;
    out.title = title;
    out.artist = tags.artist;
    out.album = !tags.ostTitle.isEmpty() ? tags.ostTitle : !tags.game.isEmpty() ? tags.game : fallbackAlbum;
    out.trackNumber = trackNumber;
    out.date = tags.year > 0 ? QString::number(tags.year) : QString();
    out.comment = tags.comment;
    out.trackTotal = QString::number(trackTotal);
    out.disc = tags.ostDisc > 0 ? QString::number(tags.ostDisc) : QString();
    out.organization = tags.publisher;
    out.dumper = tags.dumper;
    return out;
}
