// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "archive_reader.h"

#include <chrono>

namespace {
// Results wait in memory until their turn; workers stay at most this many
// archives ahead of the one taken back last, so a slow archive early in a
// big collection does not let the others pile up.
constexpr qsizetype kMostAhead = 256;
} // namespace

ArchiveReader::ArchiveReader(const UnrarFunctions &library, const QStringList &archivePaths, bool readTags,
                             bool testAll, int workers)
    : m_library(library)
    , m_paths(archivePaths)
    , m_results(std::size_t(archivePaths.size()))
{
    m_options.readTags = readTags;
    m_options.testAll = testAll;
    m_options.cancel = &m_cancel;
    const int count = std::max(1, std::min<int>(workers, int(archivePaths.size())));
    for (int i = 0; i < count; ++i)
        m_workers.emplace_back([this] { work(); });
}

ArchiveReader::~ArchiveReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_cancel = true;
    }
    m_room.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void ArchiveReader::work()
{
    for (qsizetype job = m_nextJob++; job < m_paths.size() && !m_cancel; job = m_nextJob++) {
        {
            std::unique_lock lock(m_mutex);
            m_room.wait(lock, [&] { return job < m_nextResult + kMostAhead || m_cancel; });
        }
        ReadArchive read;
        read.listing = ListArchive(m_library, m_paths[job], QString(), m_options);
        read.tracks = SortedEntries(read.listing.entries);
        const std::lock_guard lock(m_mutex);
        m_results[std::size_t(job)] = std::move(read);
        if (job == m_nextResult)
            m_ready.notify_one();
    }
}

std::optional<ReadArchive> ArchiveReader::next(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    if (m_nextResult >= m_paths.size())
        return std::nullopt;
    auto &slot = m_results[std::size_t(m_nextResult)];
    if (!m_ready.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return slot.has_value(); }))
        return std::nullopt;
    std::optional<ReadArchive> result = std::move(slot);
    slot.reset();
    ++m_nextResult;
    m_room.notify_all();
    return result;
}
