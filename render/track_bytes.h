// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A track's bytes, through the archive library's published interface only
// (RAR_TEST with RARSetCallback), so the original library serves as well as
// ours. Reaching a later member of a solid archive means unpacking the ones
// before it, so one pass over an archive keeps the bytes of all its tracks
// (at most kCacheBytes, oldest archive dropped first): next and previous
// within an archive are then instant.
#pragma once

#include "track_list.h"
#include "unrar_library.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

struct TrackBytes {
    QByteArray data; // the whole file; empty on failure
    QString error;   // why there are no bytes, in the manner of the listing's messages
    bool ok() const { return error.isEmpty(); }
};

class TrackBytesCache {
public:
    static constexpr qint64 kCacheBytes = 64 << 20;
    // A track larger than this is not an SPC file and is never held.
    static constexpr qint64 kLargestTrack = 1 << 20;

    explicit TrackBytesCache(const UnrarFunctions *library);
    ~TrackBytesCache();
    TrackBytesCache(const TrackBytesCache &) = delete;
    TrackBytesCache &operator=(const TrackBytesCache &) = delete;

    // The track's bytes, from the cache or the disk. Thread-safe; a fetch
    // from another archive waits for the one running. cancel, when set,
    // ends an unpacking early (the result is then an error).
    TrackBytes fetch(const TrackRef &track, const std::atomic<bool> *cancel = nullptr);

    // Bytes held now, for the benchmarks and the memory bound's test.
    qint64 heldBytes() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
