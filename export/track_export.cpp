// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_export.h"

#include "export_naming.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

static_assert(kInputRate == kSpcSampleRate);

namespace {
constexpr qint64 kChunkFrames = 4096; // about 0.13 s: a cancel is seen at once

bool isThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
} // namespace

bool MakeFolder(const QString &folder, QString *error)
{
    std::error_code code;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), code);
    if (!code && QFileInfo(folder).isDir())
        return true;
    *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder),
                                          code ? QString::fromLocal8Bit(code.message())
                                               : QStringLiteral("Not a folder"));
    return false;
}

TrackExporter::TrackExporter(const ExportSettings &settings, TrackBytesCache &cache, const std::atomic<bool> &stop,
                             RenderTally &tally)
    : m_settings(settings)
    , m_cache(cache)
    , m_stop(stop)
    , m_tally(tally)
    , m_writer(settings.format, settings.opusKbps)
    , m_frames(size_t(kChunkFrames * SpcRenderer::kChannels))
{
}

TrackOutcome TrackExporter::run(const ExportAlbum &album, const PlannedTrack &track)
{
    TrackOutcome outcome;
    ++m_tally.tracksBegun;
    const TrackBytes bytes = m_cache.fetch(track.ref, &m_stop);
    if (m_stop.load()) {
        outcome.status = TrackOutcome::Status::Cancelled;
        return outcome;
    }
    if (!bytes.ok()) {
        outcome.status = TrackOutcome::Status::Failed;
        outcome.message = bytes.error;
        return outcome;
    }
    const QByteArrayView data(bytes.data);
    SpcTags tags = ParseSpcTags(data.first(std::min(data.size(), spc::kHeaderSize)),
                                data.size() > spc::kXid6Offset ? data.sliced(spc::kXid6Offset) : QByteArrayView());
    TimingDefaults defaults = m_settings.timing;
    defaults.endless = false;
    const TrackTiming timing = TimingOf(tags, defaults);
    if (tags.title.isEmpty())
        tags.title = WithoutExtension(track.ref.displayName);
    outcome.lengthMs = timing.totalMs();
    tags.seconds = (outcome.lengthMs + 500) / 1000;
    outcome.tags = tags;

    const QString extension = u'.' + FormatName(m_settings.format);
    const QString stem = TrackFileStem(track.number, album.trackTotal, tags.title);
    const QString folder = JoinPath(m_settings.outputFolder, album.folderName);
    outcome.fileName = stem + extension;
    const ExportTags fileTags = TagsForExport(tags, tags.title, album.folderName,
                                              TrackNumberText(track.number, album.trackTotal), album.trackTotal);

    struct File {
        QString path;
        int voice;
    };
    QList<File> files{{JoinPath(folder, outcome.fileName), -1}};
    if (m_settings.stems) {
        for (int voice = 0; voice < SpcRenderer::kVoices; ++voice)
            files << File{JoinPath(JoinPath(folder, stem), QStringLiteral("voice-%1%2").arg(voice + 1).arg(extension)),
                          voice};
    }
    files.removeIf([&](const File &file) {
        const bool keep = !m_settings.force && isThere(file.path);
        outcome.filesPresent += keep;
        return keep;
    });
    if (files.isEmpty())
        return outcome;
    // A track that is not an SPC file fails before anything is made for it.
    if (!m_renderer.open(data, timing)) {
        outcome.status = TrackOutcome::Status::Failed;
        outcome.message = m_renderer.error();
        return outcome;
    }
    m_tally.framesPlanned += qint64(files.size()) * timing.totalFrames();
    ++m_tally.tracksPlanned;
    for (const File &file : files) {
        ExportTags voiceTags = fileTags;
        if (file.voice >= 0)
            voiceTags.title += QStringLiteral(" (voice %1)").arg(file.voice + 1);
        outcome.status = writeFile(file.path, data, timing, voiceTags, file.voice, &outcome.message);
        if (outcome.status != TrackOutcome::Status::Done)
            return outcome;
        ++outcome.filesWritten;
    }
    return outcome;
}

TrackOutcome::Status TrackExporter::writeFile(const QString &path, QByteArrayView spc, const TrackTiming &timing,
                                              const ExportTags &tags, int voice, QString *error)
{
    if (!MakeFolder(QFileInfo(path).path(), error))
        return TrackOutcome::Status::WriteFailed;
    if (!m_renderer.isOpen() || m_renderer.position() != 0) {
        if (!m_renderer.open(spc, timing)) {
            *error = m_renderer.error();
            return TrackOutcome::Status::Failed;
        }
    }
    for (int other = 0; other < SpcRenderer::kVoices; ++other)
        m_renderer.setVoiceMuted(other, voice >= 0 && other != voice);

    QString reason;
    if (!m_writer.open(path, tags, &reason)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return TrackOutcome::Status::WriteFailed;
    }
    for (;;) {
        if (m_stop.load()) {
            m_writer.discard();
            return TrackOutcome::Status::Cancelled;
        }
        const qint64 frames = m_renderer.render(m_frames.data(), kChunkFrames);
        if (frames == 0)
            break;
        m_tally.framesDone += frames;
        if (!m_writer.write(m_frames.data(), frames, &reason)) {
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
            return TrackOutcome::Status::WriteFailed;
        }
    }
    if (!m_writer.commit(m_settings.force, &reason)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return TrackOutcome::Status::WriteFailed;
    }
    return TrackOutcome::Status::Done;
}
