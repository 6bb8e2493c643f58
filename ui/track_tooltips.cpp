// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_tooltips.h"

#include "archive_listing.h"
#include "entry_list.h"

#include <QListWidget>
#include <QtConcurrent>

TrackTooltips::TrackTooltips(QListWidget *list, QObject *parent)
    : QObject(parent)
    , m_list(list)
{
}

TrackTooltips::~TrackTooltips()
{
    drop();
    for (Read &read : m_reads)
        read.watcher->waitForFinished();
}

void TrackTooltips::drop()
{
    for (Read &read : m_reads)
        *read.cancel = true;
}

void TrackTooltips::read(const UnrarFunctions &library, const QString &archivePath)
{
    drop();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    auto watcher = std::make_unique<QFutureWatcher<NamedTags>>();
    connect(watcher.get(), &QFutureWatcherBase::finished, this, [this, w = watcher.get()] { finished(w); });
    watcher->setFuture(QtConcurrent::run([&library, archivePath, cancel] {
        ListingOptions options;
        options.readTags = true;
        options.cancel = cancel.get();
        const ArchiveListing listing = ListArchive(library, archivePath, QString(), options);
        NamedTags tags;
        if (cancel->load())
            return tags;
        for (const SortedEntry &entry : SortedEntries(listing.entries))
            tags.append({entry.name, listing.reports[qsizetype(entry.index)].tags});
        return tags;
    }));
    m_reads.push_back({std::move(watcher), std::move(cancel)});
}

void TrackTooltips::finished(QFutureWatcher<NamedTags> *watcher)
{
    const auto done = std::find_if(m_reads.begin(), m_reads.end(),
                                   [&](const Read &r) { return r.watcher.get() == watcher; });
    const NamedTags tags = watcher->result();
    // The archive may have been rewritten since its preview: tooltips go
    // only on the items they were read for.
    if (!*done->cancel && tags.size() == m_list->count()) {
        for (int row = 0; row < m_list->count(); ++row) {
            if (m_list->item(row)->text() == tags[row].first)
                m_list->item(row)->setToolTip(text(tags[row].second));
        }
    }
    done->watcher.release()->deleteLater();
    m_reads.erase(done);
}

QString TrackTooltips::text(const SpcTags &tags)
{
    QStringList lines;
    const QString heading = tags.artist.isEmpty() ? tags.title
        : tags.title.isEmpty()                    ? tags.artist
                                                  : tags.artist + QStringLiteral(" - ") + tags.title;
    if (!heading.isEmpty())
        lines << heading;
    if (!tags.game.isEmpty())
        lines << tags.game;
    if (tags.seconds >= 0)
        lines << duration(tags.seconds);
    return lines.join(u'\n');
}

QString TrackTooltips::duration(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
