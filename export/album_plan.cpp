// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "album_plan.h"

#include "export_naming.h"
#include "folder_walk.h"
#include "paths.h"
#include "playlist_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {
struct AlbumDraft {
    QString archivePath; // empty for a folder of lone files
    QString folder;
    QList<TrackRef> tracks;
    QSet<QString> members;
    bool complete = false; // tracks are the archive's whole preview, in its order
};

class Planner {
public:
    explicit Planner(const UnrarFunctions *library)
        : m_library(library)
    {
    }

    void addItem(const QString &item, bool recursive);
    ExportPlan finish();

private:
    void addTracks(const TrackList &list, bool wholeArchive);
    void addFolder(const QString &folder, bool recursive);
    ExportAlbum number(const AlbumDraft &draft, QSet<QString> &taken) const;

    const UnrarFunctions *m_library;
    QList<AlbumDraft> m_albums;
    QHash<QString, qsizetype> m_albumOf; // archive path or folder -> index in m_albums
    QStringList m_problems;
};

QString absoluteClean(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isArchiveFile(const QFileInfo &info)
{
    return info.isFile() && info.fileName().endsWith(QStringLiteral(".rsn"), Qt::CaseInsensitive);
}

void Planner::addItem(const QString &item, bool recursive)
{
    const QFileInfo info(item);
    if (info.isDir())
        addFolder(absoluteClean(item), recursive);
    else
        addTracks(ResolveTracks({item}, m_library), isArchiveFile(info));
}

void Planner::addFolder(const QString &root, bool recursive)
{
    QString reason;
    if (!IsReadableFolder(root, &reason)) {
        m_problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(root), reason);
        return;
    }
    const QStringList folders = recursive
        ? FoldersWithArchives(root, [this](const QString &text) { m_problems << text; })
        : QStringList{root};
    bool any = false;
    for (const QString &folder : folders) {
        for (const QString &name : FolderFileNames(folder, QString::fromUtf16(ArchivePattern))) {
            addTracks(ResolveTracks({JoinPath(folder, name)}, m_library), true);
            any = true;
        }
    }
    if (!any)
        m_problems << QStringLiteral("%1: No archives").arg(QDir::toNativeSeparators(root));
}

void Planner::addTracks(const TrackList &list, bool wholeArchive)
{
    m_problems += list.problems;
    for (const TrackRef &track : list.tracks) {
        const QString key = track.isArchiveMember() ? absoluteClean(track.archivePath)
                                                    : QFileInfo(absoluteClean(track.memberPath)).path();
        auto found = m_albumOf.constFind(key);
        if (found == m_albumOf.cend()) {
            AlbumDraft draft;
            draft.archivePath = track.isArchiveMember() ? key : QString();
            draft.folder = track.isArchiveMember() ? QString() : key;
            draft.complete = wholeArchive && track.isArchiveMember();
            found = m_albumOf.insert(key, m_albums.size());
            m_albums << draft;
        }
        AlbumDraft &album = m_albums[*found];
        if (album.members.contains(track.memberPath))
            continue;
        album.members.insert(track.memberPath);
        album.tracks << track;
    }
}

ExportAlbum Planner::number(const AlbumDraft &draft, QSet<QString> &taken) const
{
    ExportAlbum album;
    const bool isArchive = !draft.archivePath.isEmpty();
    album.source = QDir::toNativeSeparators(isArchive ? draft.archivePath : draft.folder);
    album.folderName = UniqueFolderName(
        isArchive ? WithoutExtension(FileNameOf(draft.archivePath)) : FileNameOf(draft.folder), taken);
    if (!isArchive || draft.complete) {
        album.trackTotal = int(draft.tracks.size());
        for (qsizetype i = 0; i < draft.tracks.size(); ++i)
            album.tracks << PlannedTrack{draft.tracks[i], int(i) + 1};
        return album;
    }
    // Some tracks of an archive: numbered by their place in its preview.
    const QList<TrackRef> preview = ResolveTracks({draft.archivePath}, m_library).tracks;
    album.trackTotal = int(preview.size());
    int beyond = album.trackTotal;
    for (const TrackRef &track : draft.tracks) {
        const auto at = std::find_if(preview.begin(), preview.end(),
                                     [&](const TrackRef &other) { return other.memberPath == track.memberPath; });
        album.tracks << PlannedTrack{track, at != preview.end() ? int(at - preview.begin()) + 1 : ++beyond};
    }
    album.trackTotal = std::max(album.trackTotal, beyond);
    std::sort(album.tracks.begin(), album.tracks.end(),
              [](const PlannedTrack &a, const PlannedTrack &b) { return a.number < b.number; });
    return album;
}

ExportPlan Planner::finish()
{
    ExportPlan plan;
    plan.problems = m_problems;
    QSet<QString> taken;
    for (const AlbumDraft &draft : m_albums)
        plan.albums << number(draft, taken);
    return plan;
}
} // namespace

qsizetype ExportPlan::trackCount() const
{
    qsizetype count = 0;
    for (const ExportAlbum &album : albums)
        count += album.tracks.size();
    return count;
}

QString UniqueFolderName(const QString &name, QSet<QString> &taken)
{
    QString unique = SafeFileName(name);
    // Room for the number however long the name.
    const QString shorter = CutToUtf8Bytes(name, kMostNameBytes - 16);
    for (int n = 2; taken.contains(unique.toCaseFolded()); ++n)
        unique = SafeFileName(QStringLiteral("%1 (%2)").arg(shorter).arg(n));
    taken.insert(unique.toCaseFolded());
    return unique;
}

ExportPlan PlanExport(const QStringList &items, bool recursive, const UnrarFunctions *library)
{
    Planner planner(library);
    for (const QString &item : items)
        planner.addItem(item, recursive);
    return planner.finish();
}
