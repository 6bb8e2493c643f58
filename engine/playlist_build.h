// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The build: one playlist from several archives of a folder, for the
// window's "Add File Contents" and the command line's plain playlists.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Lists each archive of folder in turn through ProcessArchive (its messages
// and yields included) and returns the playlist's path list: each archive's
// tracks in display-name order, an empty line for an archive without any,
// joined by "*" (WritePlaylist's input). archiveDone, when given, is called
// after each archive.
QString BuildPathList(const QString &folder, const QStringList &archives,
                      const std::function<void()> &archiveDone = {});
