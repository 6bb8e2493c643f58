// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One pass over an archive through the library's RAR_TEST, keeping the
// bytes of its tracks as the library hands them over. Reaching a member of
// a solid archive unpacks all those before it anyway, so the pass keeps
// every track it meets, within a budget.
#pragma once

#include "archive_listing.h"
#include "track_bytes.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <functional>

struct UnpackRequest {
    QString wanted; // kept whatever the budget ("\" between its parts)
    // The most the kept members may hold, wanted included.
    qint64 budget = TrackBytesCache::kCacheBytes;
    // Which members are kept; by default the playable ones of at most
    // TrackBytesCache::kLargestTrack bytes.
    std::function<bool(const QString &name, qint64 size)> keeps;
    const std::atomic<bool> *cancel = nullptr; // ends the pass early once set
};

struct UnpackedArchive {
    QString openError;                 // why nothing could be read; empty once the archive opened
    QHash<QString, TrackBytes> tracks; // by member path: the bytes, or why there are none
    QString endError;                  // why members after the last one read were not reached
    qint64 bytes = 0;                  // held by tracks
    bool complete = false;             // every kept member is in tracks: no budget or cancel left one out
};

UnpackedArchive UnpackArchive(const UnrarFunctions &library, const QString &archivePath, const UnpackRequest &request);

// A failure as one line, as the command line prints the listing's messages.
QString MessageLine(const ListingMessage &message);
