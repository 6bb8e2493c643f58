// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_bytes.h"

#include "archive_tracks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>

namespace {
TrackBytes failed(const QString &error)
{
    return {QByteArray(), error};
}

TrackBytes cancelled()
{
    return failed(QStringLiteral("Cancelled"));
}

TrackBytes readLoneFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    // Only a regular file: reading a FIFO or a device could block or never end.
    if (!QFileInfo(path).isFile())
        return failed(shown + QStringLiteral(": The file does not exist or is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(shown + QStringLiteral(": The file could not be opened (%1)").arg(file.errorString()));
    QByteArray data = file.read(TrackBytesCache::kLargestTrack + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(shown + QStringLiteral(": There was an error reading the file (%1)").arg(file.errorString()));
    if (data.size() > TrackBytesCache::kLargestTrack)
        return failed(shown + QStringLiteral(": The file is too large to be an SPC file"));
    return {data, QString()};
}
} // namespace

struct TrackBytesCache::State {
    struct Archive {
        QString path;
        UnpackedArchive content;
    };

    const UnrarFunctions *library = nullptr;
    mutable std::mutex mutex;
    std::condition_variable unpacked;
    std::list<Archive> archives; // the most recently used first
    QSet<QString> unpacking;     // archives some thread is reading now
    qint64 held = 0;

    std::list<Archive>::iterator find(const QString &path)
    {
        return std::find_if(archives.begin(), archives.end(), [&](const Archive &a) { return a.path == path; });
    }

    // Puts an archive's tracks first, in place of any older pass over it,
    // and drops the least recently used ones beyond the bound.
    void keep(const QString &path, UnpackedArchive content)
    {
        if (auto old = find(path); old != archives.end()) {
            held -= old->content.bytes;
            archives.erase(old);
        }
        held += content.bytes;
        archives.push_front({path, std::move(content)});
        while (held > kCacheBytes && archives.size() > 1) {
            held -= archives.back().content.bytes;
            archives.pop_back();
        }
    }
};

namespace {
// The member's bytes from a pass, or why not; nullopt when the pass left
// it out (cancelled, or beyond the budget) and another pass would find it.
std::optional<TrackBytes> lookUp(const UnpackedArchive &archive, const QString &archivePath, const QString &member)
{
    if (auto found = archive.tracks.constFind(member); found != archive.tracks.cend())
        return *found;
    if (!archive.complete)
        return std::nullopt;
    if (!archive.endError.isEmpty())
        return failed(archive.endError);
    return failed(QDir::toNativeSeparators(archivePath) + u'\\' + member
                  + QStringLiteral(": The file is not in the archive"));
}
} // namespace

TrackBytesCache::TrackBytesCache(const UnrarFunctions *library)
    : m_state(std::make_unique<State>())
{
    m_state->library = library;
}

TrackBytesCache::~TrackBytesCache() = default;

TrackBytes TrackBytesCache::fetch(const TrackRef &track, const std::atomic<bool> *cancel)
{
    if (!track.isArchiveMember())
        return readLoneFile(track.memberPath);
    if (!m_state->library)
        return failed(QStringLiteral("No archive library is loaded"));
    const QString &path = track.archivePath;
    QString member = track.memberPath;
    member.replace(u'/', u'\\');

    State &state = *m_state;
    std::unique_lock lock(state.mutex);
    for (;;) {
        if (auto cached = state.find(path); cached != state.archives.end()) {
            if (std::optional<TrackBytes> bytes = lookUp(cached->content, path, member)) {
                state.archives.splice(state.archives.begin(), state.archives, cached);
                return *bytes;
            }
        }
        if (!state.unpacking.contains(path))
            break;
        // Never the same archive twice at once: the other pass likely has
        // it. A caller that may cancel looks up now and then while waiting.
        if (!cancel) {
            state.unpacked.wait(lock);
        } else if (cancel->load(std::memory_order_relaxed)) {
            return cancelled();
        } else {
            state.unpacked.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    state.unpacking.insert(path);
    lock.unlock();

    UnpackRequest request;
    request.wanted = member;
    request.cancel = cancel;
    UnpackedArchive content;
    try {
        content = UnpackArchive(*state.library, path, request);
    } catch (const std::bad_alloc &) {
        content.openError = QDir::toNativeSeparators(path) + QStringLiteral(": Not enough memory to unpack the file");
    }
    std::optional<TrackBytes> bytes = content.openError.isEmpty()
        ? lookUp(content, path, member)
        : std::optional<TrackBytes>(failed(content.openError));

    lock.lock();
    state.unpacking.remove(path);
    if (content.openError.isEmpty())
        state.keep(path, std::move(content));
    lock.unlock();
    state.unpacked.notify_all();
    return bytes ? *bytes : cancelled();
}

qint64 TrackBytesCache::heldBytes() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->held;
}
