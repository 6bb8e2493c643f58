// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The playlist beside an album's files: "<album>.m3u8", UTF-8, "#EXTM3U",
// then per track "#EXTINF:<seconds>,<artist> - <title>" and its file name,
// in track order; lines end in CR LF as the other playlists' do.
#pragma once

#include "spc_tags.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct AlbumPlaylistEntry {
    QString fileName;
    SpcTags tags; // seconds: the file's length
};

QByteArray AlbumPlaylistBytes(const QList<AlbumPlaylistEntry> &entries);

enum class PlaylistWrite { Written, Unchanged, Kept, Failed };

// Writes bytes to path, safely: nothing when the file holds them already;
// a different file is kept unless replace. *error says why on Failed.
PlaylistWrite WriteAlbumPlaylist(const QString &path, const QByteArray &bytes, bool replace, QString *error);
