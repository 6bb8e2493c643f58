// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listing one archive's playable files through the archive library, and on
// request testing them and reading their tags on the way. Nothing is shared
// between calls: worker threads list archives side by side, each through its
// own handle, and the window's ProcessArchive shows the messages.
#pragma once

#include "spc_tags.h"
#include "unrar_library.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// A message for the user, as the window shows it (an empty title is the
// application's).
struct ListingMessage {
    QString prompt;
    int style;
    QString title;
};

// What reading a playable member's data found.
struct TrackReport {
    bool encrypted = false;
    bool tested = false;
    int testResult = ERAR_SUCCESS; // RARProcessFile's result for RAR_TEST, when tested
    SpcTags tags;                  // empty unless read and the data passed its check
};

struct ListingOptions {
    bool readTags = false;       // test each track small enough to be an SPC file, keeping its tags
    bool testAll = false;        // test every track, whatever its size
    std::function<void()> yield; // called once per member
    // Shows each message as it comes, while the archive is still open; without
    // it the messages are collected in the listing.
    std::function<void(const ListingMessage &)> show;
    const std::atomic<bool> *cancel = nullptr; // ends the listing early once set
};

struct ArchiveListing {
    qint16 result = -1;             // 0 when the archive was opened, -1 when not
    QString entries;                // the entry list (entry_list.h), header order
    QList<TrackReport> reports;     // one per entry, when tags or tests were asked for
    QList<ListingMessage> messages; // when not shown
};

ArchiveListing ListArchive(const UnrarFunctions &library, const QString &archivePath, const QString &password,
                           const ListingOptions &options = {});

// Why a track cannot be played, in the manner of the open failures, for a
// report that is encrypted or failed its test; trackPath is the archive's
// folder joined with the track's playlist path.
ListingMessage TrackFailureMessage(const QString &trackPath, const TrackReport &report);

// Whether the track can be played as far as its report knows.
inline bool IsReadable(const TrackReport &report)
{
    return !report.encrypted && report.testResult == ERAR_SUCCESS;
}
