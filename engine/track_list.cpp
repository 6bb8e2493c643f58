// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_list.h"

#include "archive_listing.h"
#include "entry_list.h"
#include "playlist_lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {
constexpr char kSpcSignature[] = "SNES-SPC700 Sound File Data";
constexpr char kRarSignature[] = "Rar!\x1A\x07";
constexpr qsizetype kRememberedPaths = 4096;

QString nameAfterSeparator(QStringView path)
{
    return path.sliced(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1).toString();
}

// Where the first part of path named like an RSN archive ends; -1 when none is.
qsizetype archiveNameEnd(QStringView path)
{
    for (QStringView part : path.tokenize(u'/', Qt::SkipEmptyParts)) {
        if (IsArchiveName(part))
            return part.data() - path.data() + part.size();
    }
    return -1;
}

TrackRef loneFile(const QString &path)
{
    return {QString(), path, nameAfterSeparator(path)};
}

// One archive's tracks in the preview's order, looked up by member path.
struct ListedArchive {
    QList<TrackRef> tracks;
    QHash<QString, qsizetype> byMember;
    QHash<QString, qsizetype> byFoldedMember; // when no member has the exact name
    QStringList messages;                     // the listing's, when it had any
    bool opened = false;
};

// Where an item or a playlist line came from, for its problems.
struct Origin {
    QString text;  // the item or the line as written
    QString where; // "playlist:line" for a playlist line, else empty

    bool inPlaylist() const { return !where.isEmpty(); }
    QString prefix() const { return inPlaylist() ? where + QStringLiteral(": ") : QString(); }
};

class Resolver {
public:
    explicit Resolver(const UnrarFunctions *library)
        : m_library(library)
    {
    }
    void resolve(const QString &path, const Origin &origin);
    TrackList result;

private:
    void file(const QString &path, const Origin &origin);
    void playlist(const QString &path, const QString &shown);
    void archive(const QString &path, const QString &member, const Origin &origin);
    const ListedArchive &listed(const QString &path);
    // Where the first part of path that is a regular file ends (path.size()
    // when the whole path is one); -1 when none is, with why set.
    qsizetype regularFileEnd(const QString &path, QString &why);
    enum class Kind { Missing, Folder, File, Other };
    Kind kindOf(const QString &path);
    void problem(const Origin &origin, const QString &why)
    {
        result.problems.append(origin.prefix() + origin.text + QStringLiteral(": ") + why);
    }

    const UnrarFunctions *m_library;
    QHash<QString, ListedArchive> m_archives;
    // What the disk holds, for playlists whose lines share their folders
    // and archives; forgotten now and then, so that memory stays bounded.
    QHash<QString, Kind> m_kinds;
};

Resolver::Kind Resolver::kindOf(const QString &path)
{
    if (const auto found = m_kinds.constFind(path); found != m_kinds.constEnd())
        return *found;
    if (m_kinds.size() >= kRememberedPaths)
        m_kinds.clear();
    const QFileInfo info(path);
    const Kind kind = info.isFile() ? Kind::File
        : info.isDir()              ? Kind::Folder
        : info.exists()             ? Kind::Other
                                    : Kind::Missing;
    m_kinds.insert(path, kind);
    return kind;
}

qsizetype Resolver::regularFileEnd(const QString &path, QString &why)
{
    why = QStringLiteral("No such file");
    if (path.contains(QChar(0)))
        return -1;
    for (qsizetype end = path.indexOf(u'/', 1);; end = path.indexOf(u'/', end + 1)) {
        if (end < 0)
            end = path.size();
        const Kind kind = kindOf(path.first(end));
        if (kind == Kind::File)
            return end;
        if (kind == Kind::Missing)
            return -1;
        if (end == path.size()) {
            why = kind == Kind::Folder ? QStringLiteral("a folder, not a track, archive or playlist")
                                       : QStringLiteral("not a regular file");
            return -1;
        }
    }
}

void Resolver::resolve(const QString &path, const Origin &origin)
{
    QString why;
    const qsizetype end = regularFileEnd(path, why);
    if (end < 0)
        problem(origin, why);
    else if (end == path.size())
        file(path, origin);
    else
        archive(path.first(end), MemberPathFrom(path, end), origin);
}

void Resolver::file(const QString &path, const Origin &origin)
{
    const QString name = nameAfterSeparator(path);
    QByteArray start;
    if (!IsSpcName(name) && !IsArchiveName(name) && !IsPlaylistName(name)) {
        QFile sniffed(path);
        if (sniffed.open(QIODevice::ReadOnly))
            start = sniffed.read(sizeof kSpcSignature - 1);
    }
    if (IsSpcName(name) || start.startsWith(kSpcSignature))
        result.tracks.append(loneFile(QFileInfo(path).absoluteFilePath()));
    else if (IsArchiveName(name) || start.startsWith(kRarSignature))
        archive(path, QString(), origin);
    else if (!IsPlaylistName(name))
        problem(origin, QStringLiteral("not an SPC file, an RSN archive or a playlist"));
    else if (origin.inPlaylist())
        problem(origin, QStringLiteral("a playlist named in a playlist is not followed"));
    else
        playlist(path, origin.text);
}

void Resolver::playlist(const QString &path, const QString &shown)
{
    const Origin origin{shown, QString()};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return problem(origin, file.errorString());
    const QString tooLarge = QStringLiteral("over %1 MiB; not read").arg(kMaxPlaylistBytes >> 20);
    if (file.size() > kMaxPlaylistBytes)
        return problem(origin, tooLarge);
    const QByteArray text = file.read(kMaxPlaylistBytes + 1);
    if (text.size() > kMaxPlaylistBytes)
        return problem(origin, tooLarge);

    const QString folder = QFileInfo(path).absolutePath();
    for (const PlaylistLine &line : ReadPlaylistLines(text)) {
        const QString where = QStringLiteral("%1:%2").arg(shown).arg(line.number);
        if (line.tooLong)
            result.problems.append(where
                                   + QStringLiteral(": longer than %1 KiB; skipped").arg(kMaxPlaylistLineBytes >> 10));
        else
            resolve(PlaylistLinePath(line.text, folder), {line.text, where});
    }
}

void Resolver::archive(const QString &path, const QString &member, const Origin &origin)
{
    const ListedArchive &listing = listed(QFileInfo(path).absoluteFilePath());
    // The listing's messages name the archive themselves.
    if (!listing.opened || (listing.tracks.isEmpty() && !listing.messages.isEmpty()))
        return result.problems.append(origin.prefix() + listing.messages.join(u' '));
    if (member.isEmpty()) {
        if (listing.tracks.isEmpty())
            problem(origin, QStringLiteral("No Playable Files"));
        result.tracks.append(listing.tracks);
        return;
    }
    qsizetype index = listing.byMember.value(member, -1);
    if (index < 0)
        index = listing.byFoldedMember.value(member.toCaseFolded(), -1);
    if (index < 0)
        return problem(origin, QStringLiteral("the archive holds no track %1").arg(member));
    result.tracks.append(listing.tracks[index]);
}

const ListedArchive &Resolver::listed(const QString &path)
{
    if (const auto found = m_archives.constFind(path); found != m_archives.constEnd())
        return *found;
    ListedArchive &archive = m_archives[path];
    const QString nativePath = QDir::toNativeSeparators(path);
    if (!m_library) {
        archive.messages.append(nativePath + QStringLiteral(": no archive library to read it with"));
        return archive;
    }
    const ArchiveListing listing = ListArchive(*m_library, nativePath, QString());
    archive.opened = listing.result == 0;
    for (const ListingMessage &message : listing.messages)
        archive.messages.append(message.prompt);
    for (const SortedEntry &entry : SortedEntries(listing.entries)) {
        // The entry's path starts with the archive's file name, which holds no "\".
        const QString member = entry.path.mid(entry.path.indexOf(u'\\') + 1);
        // A name the archive holds twice stands for its first member.
        for (auto [index, key] :
             {std::pair(&archive.byMember, member), std::pair(&archive.byFoldedMember, member.toCaseFolded())}) {
            if (!index->contains(key))
                index->insert(key, archive.tracks.size());
        }
        archive.tracks.append({path, member, entry.name});
    }
    return archive;
}
} // namespace

TrackList ResolveTracks(const QStringList &items, const UnrarFunctions *library)
{
    Resolver resolver(library);
    for (const QString &item : items)
        resolver.resolve(PlaylistLinePath(item, QString()), {item, QString()});
    return resolver.result;
}

QList<TrackRef> ParsePlaylistText(QByteArrayView text, const QString &folder)
{
    QList<TrackRef> tracks;
    for (const PlaylistLine &line : ReadPlaylistLines(text)) {
        if (line.tooLong)
            continue;
        const QString path = PlaylistLinePath(line.text, folder);
        const qsizetype end = archiveNameEnd(path);
        const QString member = end < 0 ? QString() : MemberPathFrom(path, end);
        if (!member.isEmpty())
            tracks.append({QDir::cleanPath(path.first(end)), member, nameAfterSeparator(member)});
        else if (end < 0 && IsSpcName(nameAfterSeparator(path)))
            tracks.append(loneFile(QDir::cleanPath(path)));
    }
    return tracks;
}
