// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "folder_walk.h"

#include "playlist_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {
struct Walk {
    const std::function<void(const QString &)> &report;
    QSet<QString> seen;    // canonical paths of the folders entered
    QStringList ancestors; // canonical paths from the root to the folder being walked
    QStringList withArchives;

    void enter(const QString &folder)
    {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (ancestors.contains(canonical)) {
            report(QStringLiteral("%1: The folder is a link back into %2; skipped")
                       .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(canonical)));
            return;
        }
        if (seen.contains(canonical))
            return;
        seen.insert(canonical);
        QString reason;
        if (!IsReadableFolder(folder, &reason)) {
            report(QStringLiteral("%1: %2; skipped").arg(QDir::toNativeSeparators(folder), reason));
            return;
        }
        if (!FolderFileNames(folder, QString::fromUtf16(ArchivePattern)).isEmpty())
            withArchives << folder;
        ancestors << canonical;
        const QStringList subfolders = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                              QDir::Name | QDir::IgnoreCase);
        for (const QString &name : subfolders)
            enter(QDir(folder).filePath(name));
        ancestors.removeLast();
    }
};
} // namespace

bool IsReadableFolder(const QString &folder, QString *reason)
{
    const QFileInfo info(folder);
    if (!info.exists())
        *reason = QStringLiteral("No such folder");
    else if (!info.isDir())
        *reason = QStringLiteral("Not a folder");
#ifndef Q_OS_WIN
    else if (!info.isReadable() || !info.isExecutable()) // listing a folder needs both
        *reason = QStringLiteral("Permission denied");
#endif
    else
        return true;
    return false;
}

QStringList FoldersWithArchives(const QString &root, const std::function<void(const QString &)> &report)
{
    Walk walk{report, {}, {}, {}};
    walk.enter(root);
    return walk.withArchives;
}
