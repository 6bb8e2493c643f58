// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Track lists at their bounds: a playlist of the largest size read (16 MiB,
// ours with #EXTINF lines) split by names alone, and resolved on disk
// against 100 archives of 20 tracks each, every archive listed once.
#include "rar_builder.h"
#include "track_list.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    UnrarLibrary library;
    if (!library.load(QCoreApplication::applicationDirPath() + u'/' + UnrarLibrary::fileName())) {
        std::fprintf(stderr, "%s\n", qPrintable(library.errorString()));
        return 1;
    }
    QTemporaryDir dir;
    const std::string archive = testrar::build(testrar::Format::Rar4, testrar::soundtrack(20));
    QByteArray text = "#EXTM3U\r\n";
    for (int i = 0; text.size() < (16 << 20) - 100; ++i) {
        const QByteArray name = "Game " + QByteArray::number(i % 100) + ".rsn";
        if (i < 100 && !testrar::writeFile(QFile::encodeName(dir.filePath(name)).toStdString(), archive))
            return 1;
        text += "#EXTINF:75,Composer - Title\r\n" + name
            + QByteArray("\\%1 Track.spc\r\n").replace("%1", QByteArray::number(i % 20 + 101).sliced(1));
    }
    const QString playlist = dir.filePath("big.m3u");
    QFile file(playlist);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return 1;
    file.close();

    QElapsedTimer timer;
    timer.start();
    const qsizetype parsed = ParsePlaylistText(text, dir.path()).size();
    std::printf("by name: %lld tracks from %.1f MiB in %lld ms\n", qlonglong(parsed), text.size() / 1048576.0,
                qlonglong(timer.restart()));
    const TrackList resolved = ResolveTracks({playlist}, &library.functions());
    std::printf("on disk: %lld tracks, %lld problems in %lld ms\n", qlonglong(resolved.tracks.size()),
                qlonglong(resolved.problems.size()), qlonglong(timer.elapsed()));
    return 0;
}
