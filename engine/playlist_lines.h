// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The lines of an M3U or M3U8 playlist that name something, and how such a
// line splits into an archive and a member inside it.
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

inline constexpr qint64 kMaxPlaylistBytes = 16 << 20;
inline constexpr qsizetype kMaxPlaylistLineBytes = 32 << 10;

struct PlaylistLine {
    int number = 0;       // counting from 1
    QString text;         // trimmed; empty when the line was too long to read
    bool tooLong = false; // over kMaxPlaylistLineBytes: skipped
};
Q_DECLARE_TYPEINFO(PlaylistLine, Q_RELOCATABLE_TYPE);

// The lines that are neither blank nor "#" comments (#EXTM3U, #EXTINF...),
// after a UTF-8 byte order mark; CR LF, LF or CR end a line. Each line is
// UTF-8 when valid, else Windows-1252.
QList<PlaylistLine> ReadPlaylistLines(QByteArrayView text);

// A line as a path with "/" between its parts; a relative line starts in
// folder (unless folder is empty).
QString PlaylistLinePath(const QString &line, const QString &folder);

// The parts of path from "from" on, "\" between them, empty parts dropped:
// the member path inside an archive that ends at from.
QString MemberPathFrom(QStringView path, qsizetype from);

// Names alone, as a playlist line gives them.
bool IsArchiveName(QStringView name);
bool IsPlaylistName(QStringView name);
bool IsSpcName(QStringView name);
