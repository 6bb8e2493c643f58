// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What a listener or an export names on its command line, turned into the
// tracks to play: M3U/M3U8 playlists (ours, with or without #EXTINF; lines
// with "\" or "/", relative to the playlist's folder or absolute), RSN
// archives (their tracks in the preview's order), lone SPC files and
// "Archive.rsn\inner\path.spc". Nothing is unpacked here.
#pragma once

#include "unrar_library.h"

#include <QList>
#include <QString>
#include <QStringList>

// One track: a member of an archive, or a file of its own.
struct TrackRef {
    QString archivePath; // the archive on disk ("/" separators); empty for a lone SPC file
    QString memberPath;  // inside the archive, "\" between parts; for a lone file, its path on disk
    QString displayName; // what a person calls it before its tags are read: the file name

    bool isArchiveMember() const { return !archivePath.isEmpty(); }
    bool operator==(const TrackRef &) const = default;
};
Q_DECLARE_TYPEINFO(TrackRef, Q_RELOCATABLE_TYPE);

struct TrackList {
    QList<TrackRef> tracks;
    QStringList problems; // one line per item (or playlist line) that gave no track, saying why
};

// The tracks of the items, in their order. library lists archives (nullptr:
// archives give a problem each). A playlist line naming a missing archive
// or member becomes a problem, not a track.
TrackList ResolveTracks(const QStringList &items, const UnrarFunctions *library);

// The tracks of one playlist's text; folder is where relative lines start.
// Exposed for the fuzzer: never touches the disk, so it goes by names alone
// (the archive part ends at the first part named *.rsn) and a line naming a
// whole archive, a playlist or a file not named *.sp? gives no track.
QList<TrackRef> ParsePlaylistText(QByteArrayView text, const QString &folder);
