#include "paths.h"

#include <QDir>

QChar NativeSeparator()
{
#ifdef Q_OS_WIN
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString JoinPath(const QString &folder, const QString &name)
{
    // Qt writes folders with "/" on every platform; the paths shown to the
    // user and handed to the archive library use the platform's separator.
    const QString nativeFolder = QDir::toNativeSeparators(folder);
    if (nativeFolder.endsWith(NativeSeparator()))
        return nativeFolder + name;
    return nativeFolder + NativeSeparator() + name;
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(NativeSeparator()) + 1);
}
