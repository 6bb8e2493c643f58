// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One track of an album exported: its bytes fetched, its tags read, its
// file named, then rendered and written (with --stems also each voice
// alone), unless the files are there already. One per worker thread: it
// keeps its own renderer and buffers.
#pragma once

#include "album_plan.h"
#include "audio_file_writer.h"
#include "export_settings.h"
#include "spc_renderer.h"
#include "spc_tags.h"
#include "track_bytes.h"

#include <QString>

#include <atomic>
#include <vector>

struct TrackOutcome {
    enum class Status { Done, Failed, WriteFailed, Cancelled };
    Status status = Status::Done;
    QString message;  // why it failed
    QString fileName; // the mix's file name in the album folder
    SpcTags tags;     // as read, with the title the file carries and the length it got
    qint64 lengthMs = 0;
    int filesWritten = 0;
    int filesPresent = 0; // already there, kept
};

// What the workers have rendered and have yet to render, for the time left.
struct RenderTally {
    std::atomic<qint64> framesDone{0};
    std::atomic<qint64> framesPlanned{0}; // of every file begun
    std::atomic<int> tracksPlanned{0};    // tracks with files to render
    std::atomic<int> tracksBegun{0};      // with files to render or not
};

class TrackExporter {
public:
    TrackExporter(const ExportSettings &settings, TrackBytesCache &cache, const std::atomic<bool> &stop,
                  RenderTally &tally);

    TrackOutcome run(const ExportAlbum &album, const PlannedTrack &track);

private:
    // One file: voice -1 is the mix, 0 to 7 that voice alone.
    TrackOutcome::Status writeFile(const QString &path, QByteArrayView spc, const TrackTiming &timing,
                                   const ExportTags &tags, int voice, QString *error);

    const ExportSettings &m_settings;
    TrackBytesCache &m_cache;
    const std::atomic<bool> &m_stop;
    RenderTally &m_tally;
    SpcRenderer m_renderer;
    AudioFileWriter m_writer;
    std::vector<qint16> m_frames;
};

// Creates folder and those above it; false with *error giving the system's reason.
bool MakeFolder(const QString &folder, QString *error);
