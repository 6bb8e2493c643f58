// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "playlist_lines.h"

#include "extraction.h"
#include "text_encoding.h"

#include <QDir>

QList<PlaylistLine> ReadPlaylistLines(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    QList<PlaylistLine> lines;
    int number = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QByteArrayView bytes = text.sliced(start, end - start);
        start = end + (text.sliced(end).startsWith("\r\n") ? 2 : 1);
        ++number;
        if (bytes.size() > kMaxPlaylistLineBytes) {
            lines.append({number, QString(), true});
            continue;
        }
        // Comments (#EXTINF on every other line) are skipped undecoded.
        const QByteArrayView trimmed = bytes.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const QString line = DecodeUtf8OrWindows1252(trimmed).trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            lines.append({number, line, false});
    }
    return lines;
}

QString PlaylistLinePath(const QString &line, const QString &folder)
{
    QString path = line;
    path.replace(u'\\', u'/');
    if (folder.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    return folder + u'/' + path;
}

QString MemberPathFrom(QStringView path, qsizetype from)
{
    QString member;
    for (QStringView part : path.sliced(from).tokenize(u'/', Qt::SkipEmptyParts)) {
        if (!member.isEmpty())
            member += u'\\';
        member += part;
    }
    return member;
}

bool IsArchiveName(QStringView name)
{
    return name.endsWith(u".rsn", Qt::CaseInsensitive);
}

bool IsPlaylistName(QStringView name)
{
    return name.endsWith(u".m3u", Qt::CaseInsensitive) || name.endsWith(u".m3u8", Qt::CaseInsensitive);
}

bool IsSpcName(QStringView name)
{
    return IsPlayableMember(name, 1);
}
