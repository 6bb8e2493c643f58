// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Reads archives on worker threads for --extinf and --check: each worker
// takes the next archive and reads it through its own handle; the results
// come back in the order of the archives.
#pragma once

#include "archive_listing.h"
#include "entry_list.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct ReadArchive {
    ArchiveListing listing;          // messages collected, not shown
    std::vector<SortedEntry> tracks; // in the playlist's order; index into listing.reports
};

class ArchiveReader {
public:
    ArchiveReader(const UnrarFunctions &library, const QStringList &archivePaths, bool readTags, bool testAll,
                  int workers);
    // Stops the workers early and waits for them.
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader &) = delete;
    ArchiveReader &operator=(const ArchiveReader &) = delete;

    // The next archive's result, in order, once it is there; nothing when
    // it has not come within timeoutMs.
    std::optional<ReadArchive> next(int timeoutMs);

private:
    void work();

    const UnrarFunctions &m_library;
    const QStringList m_paths;
    ListingOptions m_options;
    std::atomic<bool> m_cancel{false};
    std::atomic<qsizetype> m_nextJob{0};
    std::mutex m_mutex;
    std::condition_variable m_ready; // the next result in order is there
    std::condition_variable m_room;  // a worker may take an archive further ahead
    std::vector<std::optional<ReadArchive>> m_results;
    qsizetype m_nextResult = 0;
    std::vector<std::thread> m_workers;
};
