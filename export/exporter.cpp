// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "exporter.h"

#include "album_playlist.h"
#include "paths.h"
#include "track_export.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {
constexpr int kPollMs = 100;

struct Job {
    qsizetype album;
    qsizetype track;
};

class Run {
public:
    Run(const ExportPlan &plan, const ExportSettings &settings, const UnrarFunctions *library,
        const ExportCallbacks &callbacks, const std::atomic<bool> *cancel)
        : m_plan(plan)
        , m_settings(settings)
        , m_callbacks(callbacks)
        , m_cancel(cancel)
        , m_cache(library)
    {
        for (qsizetype a = 0; a < plan.albums.size(); ++a) {
            for (qsizetype t = 0; t < plan.albums[a].tracks.size(); ++t)
                m_jobs.push_back({a, t});
        }
        m_outcomes.resize(m_jobs.size());
    }

    ExportCounts run();

private:
    void work();
    std::optional<TrackOutcome> waitFor(size_t index);
    void take(const Job &job, const TrackOutcome &outcome);
    void finishAlbum(const ExportAlbum &album);
    void message(const QString &text);
    void showProgress(int done);

    const ExportPlan &m_plan;
    const ExportSettings &m_settings;
    const ExportCallbacks &m_callbacks;
    const std::atomic<bool> *m_cancel;
    TrackBytesCache m_cache;
    std::vector<Job> m_jobs;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_nextJob{0};
    RenderTally m_tally;

    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<std::optional<TrackOutcome>> m_outcomes;
    int m_working = 0; // workers still running

    ExportCounts m_counts;
    QElapsedTimer m_clock;
    // The album being collected.
    QList<AlbumPlaylistEntry> m_entries;
    int m_filesPresent = 0;
};

void Run::message(const QString &text)
{
    if (m_callbacks.message)
        m_callbacks.message(text);
}

void Run::showProgress(int done)
{
    if (!m_callbacks.progress)
        return;
    ExportProgress progress{done, int(m_jobs.size()), -1};
    // The frames still to render, the tracks not begun taken as long as the
    // ones begun, at the rate so far.
    const qint64 framesDone = m_tally.framesDone;
    const int planned = m_tally.tracksPlanned;
    if (framesDone > 0 && planned > 0) {
        const double perTrack = double(m_tally.framesPlanned) / planned;
        const double framesLeft = double(m_tally.framesPlanned - framesDone)
            + perTrack * double(int(m_jobs.size()) - m_tally.tracksBegun);
        progress.msLeft = qint64(framesLeft * double(m_clock.elapsed()) / double(framesDone));
    }
    m_callbacks.progress(progress);
}

void Run::work()
{
    TrackExporter exporter(m_settings, m_cache, m_stop, m_tally);
    for (size_t i = m_nextJob++; i < m_jobs.size() && !m_stop.load(); i = m_nextJob++) {
        const Job &job = m_jobs[i];
        TrackOutcome outcome = exporter.run(m_plan.albums[job.album], m_plan.albums[job.album].tracks[job.track]);
        const std::lock_guard lock(m_mutex);
        m_outcomes[i] = std::move(outcome);
        m_done.notify_all();
    }
    const std::lock_guard lock(m_mutex);
    --m_working;
    m_done.notify_all();
}

// The outcome of job index once it is there; nothing when the workers have
// stopped without it.
std::optional<TrackOutcome> Run::waitFor(size_t index)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_outcomes[index])
            return std::move(m_outcomes[index]);
        if (m_working == 0)
            return std::nullopt;
        if (!m_done.wait_for(lock, std::chrono::milliseconds(kPollMs),
                             [&] { return m_outcomes[index] || m_working == 0; })) {
            lock.unlock();
            if (m_cancel && m_cancel->load())
                m_stop = true;
            showProgress(int(index));
            lock.lock();
        }
    }
}

void Run::take(const Job &job, const TrackOutcome &outcome)
{
    const ExportAlbum &album = m_plan.albums[job.album];
    const TrackRef &ref = album.tracks[job.track].ref;
    switch (outcome.status) {
    case TrackOutcome::Status::Done:
        if (outcome.filesWritten > 0) {
            ++m_counts.tracksWritten;
            m_counts.musicMs += outcome.lengthMs;
        } else {
            ++m_counts.tracksPresent;
        }
        m_filesPresent += outcome.filesPresent;
        m_entries << AlbumPlaylistEntry{outcome.fileName, outcome.tags};
        break;
    case TrackOutcome::Status::Failed:
        ++m_counts.tracksFailed;
        message(QStringLiteral("%1: %2; left out")
                    .arg(ref.isArchiveMember() ? album.source + u'\\' + ref.memberPath
                                               : QDir::toNativeSeparators(ref.memberPath),
                         outcome.message));
        break;
    case TrackOutcome::Status::WriteFailed:
        m_counts.writeFailed = true;
        m_stop = true;
        message(outcome.message);
        break;
    case TrackOutcome::Status::Cancelled:
        break;
    }
}

void Run::finishAlbum(const ExportAlbum &album)
{
    const QString folder = JoinPath(m_settings.outputFolder, album.folderName);
    if (m_filesPresent > 0) {
        message(QStringLiteral("%1: %2 file%3 already there; kept")
                    .arg(QDir::toNativeSeparators(folder))
                    .arg(m_filesPresent)
                    .arg(m_filesPresent == 1 ? "" : "s"));
    }
    if (!m_entries.isEmpty()) {
        ++m_counts.albums;
        const QString path = JoinPath(folder, album.folderName + QStringLiteral(".m3u8"));
        QString error;
        switch (WriteAlbumPlaylist(path, AlbumPlaylistBytes(m_entries), m_settings.force, &error)) {
        case PlaylistWrite::Kept:
            message(QStringLiteral("%1: already there and different; kept").arg(QDir::toNativeSeparators(path)));
            break;
        case PlaylistWrite::Failed:
            m_counts.writeFailed = true;
            m_stop = true;
            message(error);
            break;
        case PlaylistWrite::Written:
        case PlaylistWrite::Unchanged:
            break;
        }
    }
    m_entries.clear();
    m_filesPresent = 0;
}

ExportCounts Run::run()
{
    m_clock.start();
    const int wanted = m_settings.workers > 0 ? m_settings.workers : QThread::idealThreadCount();
    const int workers = std::clamp(wanted, 1, int(std::max<size_t>(m_jobs.size(), 1)));
    std::vector<std::thread> threads;
    m_working = workers;
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([this] { work(); });

    showProgress(0);
    for (size_t i = 0; i < m_jobs.size() && !m_stop.load(); ++i) {
        const std::optional<TrackOutcome> outcome = waitFor(i);
        if (!outcome)
            break;
        take(m_jobs[i], *outcome);
        if (m_cancel && m_cancel->load())
            m_stop = true;
        showProgress(int(i) + 1);
        const bool albumEnds = i + 1 == m_jobs.size() || m_jobs[i + 1].album != m_jobs[i].album;
        if (albumEnds && !m_stop.load())
            finishAlbum(m_plan.albums[m_jobs[i].album]);
    }
    m_stop = true;
    for (std::thread &thread : threads)
        thread.join();
    m_counts.cancelled = m_cancel && m_cancel->load();
    return m_counts;
}
} // namespace

QString CountsText(const ExportCounts &counts)
{
    const auto counted = [](qint64 count, const char *singular) {
        return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(singular)).arg(count == 1 ? "" : "s");
    };
    return QStringLiteral("%1, %2 written (%3 minutes of music), %4 skipped (already there), %5 failed (left out)")
        .arg(counted(counts.albums, "album"), counted(counts.tracksWritten, "track"))
        .arg(double(counts.musicMs) / 60000.0, 0, 'f', 1)
        .arg(counts.tracksPresent)
        .arg(counts.tracksFailed);
}

ExportCounts RunExport(const ExportPlan &plan, const ExportSettings &settings, const UnrarFunctions *library,
                       const ExportCallbacks &callbacks, const std::atomic<bool> *cancel)
{
    return Run(plan, settings, library, callbacks, cancel).run();
}
