// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "album_playlist.h"

#include "atomic_file.h"
#include "playlist_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray AlbumPlaylistBytes(const QList<AlbumPlaylistEntry> &entries)
{
    QString text = QStringLiteral("#EXTM3U\r\n");
    for (const AlbumPlaylistEntry &entry : entries)
        text += ExtinfLine(entry.tags, entry.fileName) + QStringLiteral("\r\n") + entry.fileName
            + QStringLiteral("\r\n");
    return text.toUtf8();
}

PlaylistWrite WriteAlbumPlaylist(const QString &path, const QByteArray &bytes, bool replace, QString *error)
{
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        QFile file(path);
        // Read no more than the new playlist plus one byte: enough to tell.
        if (file.open(QIODevice::ReadOnly) && file.read(bytes.size() + 1) == bytes)
            return PlaylistWrite::Unchanged;
        if (!replace)
            return PlaylistWrite::Kept;
    }
    AtomicFile file(path);
    QString reason;
    if (!file.open(&reason) || !WriteAt(file.handle(), -1, bytes, &reason) || !file.commit(replace, &reason)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return PlaylistWrite::Failed;
    }
    return PlaylistWrite::Written;
}
