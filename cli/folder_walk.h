// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The folders a recursive run writes playlists into.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// root and every folder below it that holds archives (root only when it
// does), depth first, each folder's subfolders in the folder list's order.
// Links to folders are followed; a link back into a folder being walked,
// and a folder that cannot be read, are reported and skipped; a folder
// reached a second time through another link is skipped quietly.
QStringList FoldersWithArchives(const QString &root, const std::function<void(const QString &)> &report);

// Whether folder can be listed; when not, *reason says why.
bool IsReadableFolder(const QString &folder, QString *reason);
