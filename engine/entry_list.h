// The entry list: how an archive's playable files travel through the
// program. Entries are "playlist path*display name", joined by "**".
#pragma once

#include <QString>

// Orders the entries by display name (case-insensitive, stable) and returns
// their playlist paths (wantPaths) or display names, joined by "*".
// Yields to the window once per sort pass.
QString SortEntries(const QString &entries, bool wantPaths);
