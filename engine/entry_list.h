// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The entry list: how an archive's playable files travel through the
// program. Entries are "playlist path*display name", joined by "**".
#pragma once

#include <QString>

#include <vector>

// Orders the entries by display name (case-insensitive, stable) and returns
// their playlist paths (wantPaths) or display names, joined by "*".
// Yields to the window once per sort pass.
QString SortEntries(const QString &entries, bool wantPaths);

struct SortedEntry {
    QString path;
    QString name;
    std::size_t index; // the entry's place in the list
};

// The entries in SortEntries' order, without yielding (for worker threads).
std::vector<SortedEntry> SortedEntries(const QString &entries);
