#include "paths.h"

QChar NativeSeparator()
{
#ifdef _WIN32
    return QLatin1Char('\\');
#else
    return QLatin1Char('/');
#endif
}

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(NativeSeparator()))
        return folder + name;
    return folder + NativeSeparator() + name;
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(NativeSeparator()) + 1);
}
