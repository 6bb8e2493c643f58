// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "playlist_folder.h"

#include "paths.h"

#include <QDir>
#include <QFileInfo>

QStringList FolderFileNames(const QString &folder, const QString &pattern)
{
    // QDir matches name filters case-insensitively unless told otherwise.
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString WithPlaylistExtension(const QString &name)
{
    if (name.right(4).toLower() != u".m3u")
        return name + QStringLiteral(".m3u");
    return name;
}

bool WouldReplacePlaylist(const QString &folder, const QString &playlistName)
{
    const QFileInfo target(JoinPath(folder, playlistName));
    return target.isFile() && target.size() > 0;
}
