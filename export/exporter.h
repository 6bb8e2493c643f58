// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The export's job runner: the plan's tracks rendered on worker threads
// (one renderer each, one shared track cache), their outcomes taken back in
// track order on the calling thread, which reports them, writes each
// album's playlist once its tracks are done, and keeps the counts. A
// file that cannot be written stops the run: the disk or the folder would
// refuse the next ones too.
#pragma once

#include "album_plan.h"
#include "export_settings.h"
#include "unrar_library.h"

#include <QString>

#include <atomic>
#include <functional>

struct ExportProgress {
    int tracksDone = 0; // written, already there, or left out
    int tracks = 0;
    qint64 msLeft = -1; // estimated from the work so far; -1 before there is an estimate
};

struct ExportCounts {
    int albums = 0; // albums that have files now
    int tracksWritten = 0;
    int tracksPresent = 0; // all their files there already
    int tracksFailed = 0;  // left out: damaged, encrypted, not an SPC
    qint64 musicMs = 0;    // of the tracks written
    bool writeFailed = false;
    bool cancelled = false;
};

struct ExportCallbacks {
    std::function<void(const QString &)> message;         // a problem or a notice, one line
    std::function<void(const ExportProgress &)> progress; // often; cheap to ignore
};

// "2 albums, 38 tracks written (76.0 minutes of music), 2 skipped (already
// there), 1 failed (left out)", for a summary.
QString CountsText(const ExportCounts &counts);

// Exports plan; returns once done, stopped by a write failure, or soon
// after cancel is set. Callbacks run on the calling thread.
ExportCounts RunExport(const ExportPlan &plan, const ExportSettings &settings, const UnrarFunctions *library,
                       const ExportCallbacks &callbacks, const std::atomic<bool> *cancel);
