// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "playlist_build.h"

#include "entry_list.h"
#include "extraction.h"
#include "paths.h"

QString BuildPathList(const QString &folder, const QStringList &archives, const std::function<void()> &archiveDone)
{
    QString pathList;
    for (const QString &archive : archives) {
        ProcessArchive(QStringLiteral("ObtainList"), JoinPath(folder, archive), QString());
        pathList += SortEntries(ArchiveEntries, true) + u'*';
        if (archiveDone)
            archiveDone();
    }
    pathList.chop(1);
    return pathList;
}
