// Writing the extended M3U playlist.
#pragma once

#include <QString>

// Writes "#EXTM3U", then one line per path of pathList (paths joined by
// "*"), CR LF after every line, in the file-name encoding, to folder/playlistName.
// The file is replaced atomically: when writing fails the earlier playlist is
// left as it was, false is returned and *error (if given) says why. Only in
// a folder where no new file can be created is an existing, writable
// playlist written in place.
bool WritePlaylist(const QString &pathList, const QString &playlistName, const QString &folder,
                   QString *error = nullptr);

// The exact bytes WritePlaylist writes for pathList.
QByteArray PlaylistBytes(const QString &pathList);
