#include "playlist_file.h"

#include "paths.h"

#include <QFile>
#include <QSaveFile>

QByteArray PlaylistBytes(const QString &pathList)
{
    QString text = QStringLiteral("#EXTM3U\r\n");
    text += QString(pathList).replace(u'*', QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    return QFile::encodeName(text);
}

bool WritePlaylist(const QString &pathList, const QString &playlistName, const QString &folder, QString *error)
{
    const QString target = JoinPath(folder, playlistName);
    QSaveFile file(target);
    // Where no new file may be created beside it (a shared folder where the
    // user owns only the playlist), write the playlist in place: what the
    // user may change can be changed, unprotected against a failure half way.
    file.setDirectWriteFallback(true);
    const QByteArray bytes = PlaylistBytes(pathList);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error)
        *error = file.errorString();
    return written;
}
