// Joining folder and file names the way the platform writes paths.
#pragma once

#include <QString>

// The separator of file-system paths: "\" on Windows, "/" elsewhere.
QChar NativeSeparator();

// folder (in either separator style) + the platform's separator + name; a
// folder that already ends in the separator (a root) gets no second one.
QString JoinPath(const QString &folder, const QString &name);

// The text after the last separator (the whole path when it has none).
QString FileNameOf(const QString &path);
