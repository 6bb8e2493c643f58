// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Tooltips on the preview list: what each track's tags say, read on a
// worker thread after the preview is shown, so the preview itself is never
// delayed or changed. The result for an archive previewed earlier is dropped.
#pragma once

#include "spc_tags.h"
#include "unrar_library.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPair>

#include <atomic>
#include <memory>

class QListWidget;

class TrackTooltips : public QObject {
    Q_OBJECT
public:
    explicit TrackTooltips(QListWidget *list, QObject *parent = nullptr);
    // Stops the reads in progress and waits for them.
    ~TrackTooltips() override;

    // Reads the tags of archivePath's tracks for the items now in the list.
    void read(const UnrarFunctions &library, const QString &archivePath);
    // Drops the reads in progress: the list is about to change.
    void drop();

    // "Artist - Title", the game and "m:ss", one a line; "" without tags.
    static QString text(const SpcTags &tags);
    // "m:ss", as the tooltips write a length.
    static QString duration(qint64 seconds);

private:
    using NamedTags = QList<QPair<QString, SpcTags>>;
    struct Read {
        std::unique_ptr<QFutureWatcher<NamedTags>> watcher;
        std::shared_ptr<std::atomic<bool>> cancel;
    };
    void finished(QFutureWatcher<NamedTags> *watcher);

    QListWidget *m_list;
    std::vector<Read> m_reads; // the one not cancelled is current
};
