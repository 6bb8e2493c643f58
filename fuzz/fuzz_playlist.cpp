// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes as a playlist's text through ParsePlaylistText, with a
// folder for relative lines and without. Whatever the text, every track
// names a member (or a lone file), members have no empty parts and no "/",
// and no playlist line gives more than one track.
#include "playlist_lines.h"
#include "track_list.h"

#include <cstdio>
#include <cstdlib>

namespace {
// Stops the fuzzer with the line of the broken promise.
void check(bool condition, unsigned line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "broken at fuzz_playlist.cpp:%u\n", line);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<PlaylistLine> lines = ReadPlaylistLines(text);
    for (const PlaylistLine &line : lines) {
        check(line.tooLong ? line.text.isEmpty() : !line.text.isEmpty() && !line.text.startsWith(u'#'));
        check(!line.text.contains(u'\r') && !line.text.contains(u'\n'));
    }
    for (const QString &folder : {QStringLiteral("/music/snes"), QString()}) {
        const QList<TrackRef> tracks = ParsePlaylistText(text, folder);
        check(tracks.size() <= lines.size());
        for (const TrackRef &track : tracks) {
            check(!track.memberPath.isEmpty() && !track.displayName.isEmpty());
            if (!track.isArchiveMember())
                continue;
            check(!track.memberPath.contains(u'/') && !track.memberPath.startsWith(u'\\')
                  && !track.memberPath.endsWith(u'\\') && !track.memberPath.contains(QStringLiteral("\\\\")));
            check(IsArchiveName(track.archivePath));
        }
    }
    return 0;
}
