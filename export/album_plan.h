// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Which albums an export writes and which tracks go into each: the items
// a user names (playlists, archives, SPC files, "Archive.rsn\inner.spc",
// folders of archives) grouped by archive, a lone SPC file by its folder.
// Listing only; nothing is unpacked.
#pragma once

#include "track_list.h"
#include "unrar_library.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

struct PlannedTrack {
    TrackRef ref;
    int number = 0; // its place in the preview's order (lone files: in the order named)
};

struct ExportAlbum {
    QString folderName;         // under the output folder: safe, and unique in the plan
    QString source;             // the archive, or the folder of lone SPC files (native separators)
    int trackTotal = 0;         // tracks the archive holds (lone files: how many were named)
    QList<PlannedTrack> tracks; // by number, each once
};

struct ExportPlan {
    QList<ExportAlbum> albums;
    QStringList problems; // items that gave no track, folders skipped, each saying why
    qsizetype trackCount() const;
};

// A folder gives its archives as the file list shows them, in its order;
// with recursive, every folder below it too (links back up and unreadable
// folders are reported and skipped).
ExportPlan PlanExport(const QStringList &items, bool recursive, const UnrarFunctions *library);

// name made safe and unlike every name in taken, ignoring case as Windows
// does: "Game", then "Game (2)"...; the result joins taken (case-folded).
QString UniqueFolderName(const QString &name, QSet<QString> &taken);
