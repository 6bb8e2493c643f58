// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Lists an archive file through the engine with the real archive library
// and checks that what comes out is well formed, whatever went in.
#pragma once

#include "entry_list.h"
#include "extraction.h"
#include "interaction_recorder.h"
#include "paths.h"
#include "playlist_file.h"

#include <QStringList>

struct EngineOutcome {
    qint16 result = 0;
    QString entries;
    QList<RecordedMessage> messages;
};

inline EngineOutcome listThroughEngine(const QString &archivePath)
{
    InteractionRecorder recorder;
    EngineOutcome outcome;
    outcome.result = ProcessArchive(QStringLiteral("ObtainList"), archivePath, QString());
    outcome.entries = ArchiveEntries;
    outcome.messages = recorder.messages();
    return outcome;
}

// Why the entry list of archivePath is not well formed, or "" when it is:
// entries joined by "**", each "archive\inner path*display name" with one
// "*", no line breaks, the display name ending the path; sorting keeps
// every entry and the playlist gets one line per entry.
inline QString entryListProblem(const QString &entries, const QString &archivePath)
{
    if (entries.isEmpty())
        return {};
    const QString prefix = FileNameOf(archivePath) + u'\\';
    const QStringList list = entries.split(QStringLiteral("**"));
    for (const QString &entry : list) {
        if (entry.count(u'*') != 1)
            return QStringLiteral("entry without exactly one '*': ") + entry;
        if (entry.contains(u'\r') || entry.contains(u'\n'))
            return QStringLiteral("line break in entry: ") + entry;
        const QString path = entry.section(u'*', 0, 0);
        const QString name = entry.section(u'*', 1);
        if (!path.startsWith(prefix) || name.isEmpty() || !path.endsWith(u'\\' + name))
            return QStringLiteral("path and name do not match: ") + entry;
    }
    const QString paths = SortEntries(entries, true);
    const QString names = SortEntries(entries, false);
    if (paths.split(u'*').size() != list.size() || names.split(u'*').size() != list.size())
        return QStringLiteral("sorting changed the number of entries");
    const QByteArray playlist = PlaylistBytes(paths);
    if (playlist.count('\n') != list.size() + 1 || playlist.count('\r') != list.size() + 1
        || playlist.count("\r\n") != list.size() + 1)
        return QStringLiteral("playlist lines do not match the entries");
    return {};
}
