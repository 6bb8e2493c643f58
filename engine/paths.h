// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Path rules: joining folder and file names the way the platform writes
// paths, and which mounted volumes hold folders a person would browse.
#pragma once

#include <QByteArray>
#include <QString>

// The separator of file-system paths: "\" on Windows, "/" elsewhere.
QChar NativeSeparator();

// folder (in either separator style) + the platform's separator + name; a
// folder that already ends in the separator (a root) gets no second one.
QString JoinPath(const QString &folder, const QString &name);

// The text after the last separator (the whole path when it has none).
QString FileNameOf(const QString &path);

// Whether path is root or lies under it (Qt's "/" separators; a root that
// ends in "/" covers everything that starts with it).
bool IsPathUnder(const QString &path, const QString &root);

// False for pseudo and system file systems (proc, sysfs, tmpfs, cgroup,
// snap images...) and for mount points under the system's own trees.
bool IsBrowsableVolume(const QByteArray &fileSystemType, const QString &rootPath);
