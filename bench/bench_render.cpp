// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Rendering figures: how soon the last member of the largest solid archive
// is in hand through the track cache's one-pass unpacking, render speed
// against libgme's own play loop on the same tone, and the cost of an exact
// 60 s seek. Medians of processor time on this thread; measures, never fails.
#include "archive_reading.h"
#include "archive_tracks.h"
#include "linked_unrar.h"
#include "spc_renderer.h"
#include "spc_tone.h"

#include <gme/gme.h>

#include <QDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {
const UnrarFunctions kLibrary = LinkedUnrarFunctions();

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The median time of run; prepare runs untimed before each round.
double medianMs(
    int rounds, const std::function<void()> &run, const std::function<void()> &prepare = [] {})
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        const double start = threadMs();
        run();
        times.push_back(threadMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct SolidArchive {
    QString path;
    QString lastMember;
    qint64 size = -1;
};

// The largest archive in folder whose members are solid and whole (not split
// across volumes), with the name of its last file.
SolidArchive largestSolid(const QString &folder)
{
    SolidArchive best;
    for (const QFileInfo &file : QDir(folder).entryInfoList({"*.rar"}, QDir::Files)) {
        QByteArray name = QFile::encodeName(file.filePath());
        RAROpenArchiveData open{};
        open.ArcName = name.data();
        open.OpenMode = RAR_OM_LIST;
        void *handle = RAROpenArchive(&open);
        if (!handle)
            continue;
        RARHeaderData header{};
        bool solid = false, split = false;
        QString last;
        while (RARReadHeader(handle, &header) == ERAR_SUCCESS) {
            solid = solid || (header.Flags & RHDF_SOLID);
            split = split || (header.Flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER));
            if (!(header.Flags & RHDF_DIRECTORY))
                last = MemberName(header);
            RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        }
        RARCloseArchive(handle);
        if (solid && !split && !last.isEmpty() && file.size() > best.size)
            best = {file.filePath(), last, file.size()};
    }
    return best;
}

void benchUnpacking(const QString &folder)
{
    const SolidArchive archive = largestSolid(folder);
    if (archive.path.isEmpty()) {
        std::printf("(a) no solid archive in %s: skipped\n", qPrintable(folder));
        return;
    }
    UnpackRequest request;
    request.wanted = archive.lastMember;
    request.keeps = [](const QString &, qint64) { return true; }; // its members are not tracks
    bool ok = true;
    const double ms = medianMs(9, [&] {
        const UnpackedArchive unpacked = UnpackArchive(kLibrary, archive.path, request);
        ok = ok && unpacked.tracks.value(archive.lastMember).ok();
    });
    std::printf("(a) last member of %s (%s, %lld bytes) in hand: %.2f ms%s   target <= 50 ms\n",
                qPrintable(QFileInfo(archive.path).fileName()), qPrintable(archive.lastMember),
                static_cast<long long>(archive.size), ms, ok ? "" : " (FAILED)");
}

void benchRendering()
{
    const std::string tone = testspc::makeSpc({});
    const qint64 seconds = 60;
    const qint64 frames = seconds * kSpcSampleRate;
    std::vector<short> buffer(4096 * 2);

    const double theirs = medianMs(5, [&] {
        Music_Emu *emu = gme_new_emu(gme_spc_type, kSpcSampleRate);
        gme_load_data(emu, tone.data(), long(tone.size()));
        gme_set_autoload_playback_limit(emu, 0);
        gme_ignore_silence(emu, 1);
        gme_start_track(emu, 0);
        for (qint64 done = 0; done < frames; done += 4096)
            gme_play(emu, int(buffer.size()), buffer.data());
        gme_delete(emu);
    });
    // The same stretch with a fade over its last 10 s, as tracks end.
    const TrackTiming timing{(seconds - 10) * kSpcSampleRate, 10 * kSpcSampleRate, false};
    const double ours = medianMs(5, [&] {
        SpcRenderer renderer;
        renderer.open(QByteArrayView(tone.data(), qsizetype(tone.size())), timing);
        while (renderer.render(buffer.data(), 4096) > 0) {
        }
    });
    const double realMs = double(seconds) * 1000;
    std::printf("(b) render speed: ours %.0fx real time, libgme's gme_play loop %.0fx: %.2f of it   target >= 0.9\n",
                realMs / ours, realMs / theirs, theirs / ours);

    SpcRenderer renderer;
    renderer.open(QByteArrayView(tone.data(), qsizetype(tone.size())), {0, 0, true});
    const double forward = medianMs(
        5, [&] { renderer.seek(frames); }, [&] { renderer.seek(0); });
    const double backward = medianMs(
        5, [&] { renderer.seek(frames); }, [&] { renderer.seek(frames + 30 * kSpcSampleRate); });
    Music_Emu *emu = gme_new_emu(gme_spc_type, kSpcSampleRate);
    gme_load_data(emu, tone.data(), long(tone.size()));
    gme_set_autoload_playback_limit(emu, 0);
    gme_ignore_silence(emu, 1);
    const double inexact = medianMs(
        5, [&] { gme_seek(emu, int(seconds * 1000)); }, [&] { gme_start_track(emu, 0); });
    gme_delete(emu);
    std::printf("(c) exact 60 s seek: %.1f ms from the start, %.1f ms back from 1:30 (starts over)   target <= 100 ms\n"
                "    libgme's own gme_seek, which skips the DSP and lands off by its settling samples: %.1f ms\n",
                forward, backward, inexact);
}
} // namespace

int main(int argc, char **argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(MARROWFEN_MORE_REAL_RAR_DIR);
    benchUnpacking(folder);
    benchRendering();
    return 0;
}
