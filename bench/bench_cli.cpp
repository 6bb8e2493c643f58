// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-playlist as a user runs it, against the window's build:
//   plain      over one folder of 1,000 archives of 12 small tracks
//   --extinf   over 200 stored archives of 40 full-size tagged SPC tracks,
//              with all workers and with one (the speed-up)
//   -r         over 1,000 folders of one archive each
// Each figure is the median of five warm runs (a first run fills the page cache).
//   bench_cli [archives] [tagged archives] [folders]
#include "playlist_build.h"
#include "playlist_folder.h"
#include "rar_builder.h"
#include "unrar_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include <sys/resource.h>

namespace {
constexpr int kTrackBytes = 66048; // header, 64 KiB RAM, DSP and IPL blocks

std::vector<testrar::Member> taggedSoundtrack(int tracks)
{
    std::vector<testrar::Member> members;
    for (int i = 1; i <= tracks; ++i) {
        std::string spc(kTrackBytes, '\x5A');
        spc.replace(0, 27, "SNES-SPC700 Sound File Data");
        spc[0x23] = 26;
        const std::string title = "Track " + std::to_string(i);
        spc.replace(0x2E, 32, std::string(32, '\0')).replace(0x2E, title.size(), title);
        spc.replace(0xA9, 8, std::string("120\0\0\0\0\0", 8).replace(3, 5, "10000"));
        testrar::Member m;
        m.name = (i < 10 ? "0" : "") + std::to_string(i) + " Track.spc";
        m.data = spc;
        members.push_back(m);
    }
    return members;
}

bool writeCopies(const QString &folder, int count, const std::string &bytes, bool folderEach)
{
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("Game %1").arg(i, 5, 10, QLatin1Char('0'));
        const QString dir = folderEach ? folder + u'/' + name : folder;
        if (!QDir().mkpath(dir)
            || !testrar::writeFile(QFile::encodeName(dir + u'/' + name + ".rsn").toStdString(), bytes))
            return false;
    }
    return true;
}

// Processor seconds the finished child processes have used so far.
double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Seconds a warm run takes, the median of five; *coresBusy (when given)
// is the processor time over the wall time of all five: below the worker
// count when the machine had no idle core to give.
double timed(const QStringList &arguments, double *coresBusy = nullptr)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/marrowfen-playlist");
    std::vector<double> seconds;
    double cpuBefore = 0;
    for (int round = 0; round < 6; ++round) {
        if (round == 1)
            cpuBefore = childCpuSeconds();
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, QStringList{"-q", "-f"} + arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "marrowfen-playlist %s failed: %s\n", qPrintable(arguments.join(' ')),
                         process.readAllStandardError().constData());
            std::exit(1);
        }
        if (round > 0)
            seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    if (coresBusy)
        *coresBusy = (childCpuSeconds() - cpuBefore) / std::accumulate(seconds.begin(), seconds.end(), 0.0);
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int archives = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int tagged = argc > 2 ? std::atoi(argv[2]) : 200;
    const int folders = argc > 3 ? std::atoi(argv[3]) : 1000;
    constexpr int kTaggedTracks = 40;

    QTemporaryDir plain, tags, tree;
    if (!writeCopies(plain.path(), archives, testrar::build(testrar::Format::Rar5, testrar::soundtrack(12)), false)
        || !writeCopies(tags.path(), tagged, testrar::build(testrar::Format::Rar5, taggedSoundtrack(kTaggedTracks)),
                        false)
        || !writeCopies(tree.path(), folders, testrar::build(testrar::Format::Rar5, testrar::soundtrack(12)), true)) {
        std::fprintf(stderr, "cannot write the archives\n");
        return 1;
    }

    // The window's build loop in-process, as the yardstick for plain runs.
    UnrarLibrary library;
    if (!library.load(QCoreApplication::applicationDirPath() + u'/' + UnrarLibrary::fileName())) {
        std::fprintf(stderr, "%s\n", qPrintable(library.errorString()));
        return 1;
    }
    setArchiveLibrary(&library.functions());
    const QStringList names = FolderFileNames(plain.path(), QString::fromUtf16(ArchivePattern));
    QElapsedTimer timer;
    timer.start();
    BuildPathList(plain.path(), names);
    const double window = double(timer.nsecsElapsed()) / 1e9;

    const double plainRun = timed({plain.path()});
    std::printf("plain: %d archives in %.3f s, %.0f archives/s (window's build in-process: %.0f archives/s; "
                "target: at least as fast, about 10,000/s)\n",
                archives, plainRun, archives / plainRun, archives / window);

    const double megabytes = double(tagged) * kTaggedTracks * kTrackBytes / 1e6;
    const int cores = QThread::idealThreadCount();
    double busyAll = 0, busyOne = 0;
    const double all = timed({"--extinf", tags.path()}, &busyAll);
    const double one = timed({"--extinf", "-j", "1", tags.path()}, &busyOne);
    std::printf("--extinf: %d archives, %.0f MB of tracks: %.0f archives/s, %.0f MB/s with %d workers "
                "(target: 500 MB/s); one worker %.0f MB/s; speed-up %.2fx (target: 1.6x on 2 cores); cores busy %.2f "
                "and %.2f\n",
                tagged, megabytes, tagged / all, megabytes / all, cores, megabytes / one, one / all, busyAll, busyOne);

    const double recursive = timed({"-r", tree.path()});
    std::printf("--recursive: %d folders of one archive in %.3f s, %.0f archives/s\n", folders, recursive,
                folders / recursive);
    return 0;
}
