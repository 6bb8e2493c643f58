// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A folder of archives and the playlist written into it: which archives the
// window's file list shows, the playlist name's ".m3u" rule, and when
// writing must ask first. Shared by the window and the command line.
#pragma once

#include <QString>
#include <QStringList>

// The file list's pattern for archives.
inline constexpr char16_t ArchivePattern[] = u"*.rsn";
inline constexpr char16_t DefaultPlaylistName[] = u"RSN Playlist.m3u";

// The names of the files in folder that match pattern (case-insensitively),
// sorted case-insensitively: the file list's items.
QStringList FolderFileNames(const QString &folder, const QString &pattern);

// name with ".m3u" added unless it already ends in it, in any case.
QString WithPlaylistExtension(const QString &name);

// Whether writing playlistName into folder would replace a non-empty file.
bool WouldReplacePlaylist(const QString &folder, const QString &playlistName);
