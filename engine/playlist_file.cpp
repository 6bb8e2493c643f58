// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "playlist_file.h"

#include "paths.h"

#include <QFile>
#include <QSaveFile>

QByteArray PlaylistBytes(const QString &pathList)
{
    return PlaylistBytes(pathList.split(u'*'));
}

QByteArray PlaylistBytes(const QStringList &lines)
{
    QString text = QStringLiteral("#EXTM3U\r\n");
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return QFile::encodeName(text);
}

QString ExtinfLine(const SpcTags &tags, const QString &displayName)
{
    QString text = tags.title.isEmpty() ? displayName
        : tags.artist.isEmpty()         ? tags.title
                                        : tags.artist + QStringLiteral(" - ") + tags.title;
    return QStringLiteral("#EXTINF:") + QString::number(tags.seconds) + u',' + text;
}

bool WritePlaylist(const QString &pathList, const QString &playlistName, const QString &folder, QString *error)
{
    return WritePlaylist(pathList.split(u'*'), playlistName, folder, error);
}

bool WritePlaylist(const QStringList &lines, const QString &playlistName, const QString &folder, QString *error)
{
    const QString target = JoinPath(folder, playlistName);
    QSaveFile file(target);
    // Where no new file may be created beside it (a shared folder where the
    // user owns only the playlist), write the playlist in place: what the
    // user may change can be changed, unprotected against a failure half way.
    file.setDirectWriteFallback(true);
    const QByteArray bytes = PlaylistBytes(lines);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error)
        *error = file.errorString();
    return written;
}
