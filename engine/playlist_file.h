// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Writing the extended M3U playlist.
#pragma once

#include "spc_tags.h"

#include <QString>
#include <QStringList>

// Writes "#EXTM3U", then one line per path of pathList (paths joined by
// "*"), CR LF after every line, in the file-name encoding, to folder/playlistName.
// The file is replaced atomically: when writing fails the earlier playlist is
// left as it was, false is returned and *error (if given) says why. Only in
// a folder where no new file can be created is an existing, writable
// playlist written in place.
bool WritePlaylist(const QString &pathList, const QString &playlistName, const QString &folder,
                   QString *error = nullptr);
// The same for a list of lines (which hold no line breaks).
bool WritePlaylist(const QStringList &lines, const QString &playlistName, const QString &folder,
                   QString *error = nullptr);

// The line "#EXTINF:<seconds>,<artist> - <title>" that precedes a track:
// the title alone without an artist, displayName without a title, -1
// seconds when the length is unknown.
QString ExtinfLine(const SpcTags &tags, const QString &displayName);

// The exact bytes WritePlaylist writes for pathList, or for lines.
QByteArray PlaylistBytes(const QString &pathList);
QByteArray PlaylistBytes(const QStringList &lines);
