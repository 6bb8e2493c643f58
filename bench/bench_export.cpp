// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-export as a user runs it, over 40 tone tracks of 60 s each in
// one archive, to FLAC: with one worker and with one per core (x real time,
// the speed-up, peak memory and so memory per worker), and in the same run
// the yardstick: the same tracks rendered by libgme's own loop and encoded
// by the flac command, one track at a time.
//   bench_export [tracks] [seconds]
#include "rar_builder.h"
#include "spc_tone.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gme/gme.h>
#include <sndfile.h>

#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
struct Figure {
    double seconds = -1;
    double peakMiB = 0;
    double cpuSeconds = 0;
    long waits = -1; // voluntary context switches: a worker waiting for a lock or the disk
};

std::vector<std::string> toneTracks(int count, int seconds)
{
    std::vector<std::string> tracks;
    for (int i = 0; i < count; ++i) {
        testspc::Tone tone;
        tone.pitch = testspc::pitchForHz(200.0 + 25.0 * i);
        tone.voice = i % 8;
        tone.title = "Tone " + std::to_string(i + 1);
        tone.playSeconds = seconds;
        tone.fadeMs = 0;
        tracks.push_back(testspc::makeSpc(tone));
    }
    return tracks;
}

// One run of program as a child process: wall time, and its peak resident
// memory and processor time from the kernel's account of it.
Figure runChild(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {double(clock.nsecsElapsed()) / 1e9, double(usage.ru_maxrss) / 1024.0,
            seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw};
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// libgme's own loop for each track, a WAV file, then the flac command.
Figure libgmePipeline(const std::vector<std::string> &tracks, int seconds, const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
    std::vector<short> buffer(4096 * 2);
    for (size_t i = 0; i < tracks.size(); ++i) {
        Music_Emu *emu = nullptr;
        if (gme_open_data(tracks[i].data(), long(tracks[i].size()), &emu, testspc::kSampleRate)
            || gme_start_track(emu, 0))
            return {};
        const QString wav = QStringLiteral("%1/%2.wav").arg(folder).arg(i);
        SF_INFO info{};
        info.samplerate = testspc::kSampleRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *out = sf_open(QFile::encodeName(wav).constData(), SFM_WRITE, &info);
        for (qint64 left = qint64(seconds) * testspc::kSampleRate; left > 0 && out;) {
            const qint64 frames = std::min<qint64>(left, 4096);
            gme_play(emu, int(frames * 2), buffer.data());
            sf_writef_short(out, buffer.data(), frames);
            left -= frames;
        }
        gme_delete(emu);
        if (!out || sf_close(out) != 0)
            return {};
        if (QProcess::execute(QStringLiteral("flac"),
                              {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("--delete-input-file"), wav})
            != 0)
            return {};
    }
    return {double(clock.nsecsElapsed()) / 1e9, 0, cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

void print(const char *what, const Figure &figure, double musicSeconds)
{
    if (figure.seconds <= 0) {
        std::printf("%-34s failed\n", what);
        return;
    }
    std::printf("%-34s %7.1f x real time  (%5.2f s, %4.2f cores busy: %6.1f x per busy core", what,
                musicSeconds / figure.seconds, figure.seconds, figure.cpuSeconds / figure.seconds,
                musicSeconds / figure.cpuSeconds);
    if (figure.peakMiB > 0)
        std::printf(", peak %5.1f MiB", figure.peakMiB);
    if (figure.waits >= 0)
        std::printf(", %ld waits", figure.waits);
    std::printf(")\n");
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int trackCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const double music = double(trackCount) * seconds;
    const int cores = QThread::idealThreadCount();
    QTemporaryDir dir;
    const std::vector<std::string> tracks = toneTracks(trackCount, seconds);
    std::vector<testrar::Member> members;
    for (size_t i = 0; i < tracks.size(); ++i) {
        testrar::Member member;
        member.name = QStringLiteral("%1 Tone.spc").arg(i + 1, 2, 10, QLatin1Char('0')).toStdString();
        member.data = tracks[i];
        members.push_back(member);
    }
    const QString archive = dir.filePath(QStringLiteral("Tones.rsn"));
    if (!dir.isValid()
        || !testrar::writeFile(QFile::encodeName(archive).toStdString(),
                               testrar::build(testrar::Format::Rar5, members)))
        return 1;
    std::printf("bench_export: %d tone tracks of %d s (%.0f min of music) to FLAC, %d cores\n", trackCount, seconds,
                music / 60, cores);

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/marrowfen-export");
    const auto exportWith = [&](int workers) {
        const QString out = dir.filePath(QStringLiteral("out-%1").arg(workers));
        return runChild(
            program,
            {QStringLiteral("-q"), QStringLiteral("-j"), QString::number(workers), QStringLiteral("-o"), out, archive});
    };
    const Figure one = exportWith(1);
    const Figure all = exportWith(cores);
    QDir().mkpath(dir.filePath(QStringLiteral("gme")));
    const Figure gme = libgmePipeline(tracks, seconds, dir.filePath(QStringLiteral("gme")));

    print("marrowfen-export -j 1", one, music);
    print(qPrintable(QStringLiteral("marrowfen-export -j %1").arg(cores)), all, music);
    print("libgme loop + flac, track by track", gme, music);
    if (one.seconds > 0 && all.seconds > 0) {
        std::printf("speed-up on %d cores: %.2fx (target >= 1.7 on 2 cores)\n", cores, one.seconds / all.seconds);
        std::printf("memory per worker: %.1f MiB (peak -j %d minus -j 1 over %d more workers; target <= 32)\n",
                    cores > 1 ? (all.peakMiB - one.peakMiB) / (cores - 1) : one.peakMiB, cores, cores - 1);
    }
    if (one.seconds > 0 && gme.seconds > 0)
        std::printf("one worker against the yardstick: %.2fx by wall time, %.2fx by processor time (target >= 1)\n",
                    gme.seconds / one.seconds, gme.cpuSeconds / one.cpuSeconds);
    return 0;
}
