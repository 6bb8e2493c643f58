// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listing an archive's playable files through the archive library.
#pragma once

#include <QString>

// The entry list of the archive listed last ("" when it had no playable file
// or failed to open). Replaced by every ProcessArchive call.
extern QString ArchiveEntries;

// Runs an archive action; "ObtainList" lists the playable members of the
// archive at archivePath into ArchiveEntries, reporting problems in message
// boxes. Returns 0 when the archive was opened, -1 when it was not.
qint16 ProcessArchive(const QString &action, const QString &archivePath, const QString &password);

// A member is playable when it has data and its name ends in ".sp" plus one
// character (".spc" in practice). Names that would break the entry list or a
// playlist line ("*", CR, LF), and names ending in the separator, are never
// playable.
bool IsPlayableMember(QStringView name, qint32 unpackedSize);
