// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-play's resident memory while it plays a soundtrack: a solid
// archive of 40 tone tracks (1 s each, no fade) played through a private
// sound server (tests/support/with_sound.sh), not on a terminal. Once the
// given number of tracks have started, the player's peak resident set
// (VmHWM) is read from /proc and printed beside the target.
//   bench_play_memory [tracks to hear first, default 8]
#include "rar_builder.h"
#include "spc_tone.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <signal.h>

namespace {
constexpr int kTracks = 40;
constexpr qint64 kTargetKiB = 64 * 1024;

std::string soundtrack()
{
    std::vector<testrar::Member> members;
    for (int i = 1; i <= kTracks; ++i) {
        testspc::Tone tone;
        tone.pitch = testspc::pitchForHz(200.0 + 50.0 * i);
        tone.game = "Bench";
        tone.title = "Tone " + std::to_string(i);
        testrar::Member member;
        member.name = (i < 10 ? "0" : "") + std::to_string(i) + " Tone.spc";
        member.data = testspc::makeSpc(tone);
        members.push_back(member);
    }
    testrar::Options options;
    options.solid = true;
    return testrar::build(testrar::Format::Rar4, members, options);
}

// A field of /proc/PID/status in KiB; -1 when the process is gone.
qint64 statusKiB(qint64 pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s*(\\d+) kB$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int heard = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, kTracks) : 8;
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("Bench.rsn"));
    if (!dir.isValid() || !testrar::writeFile(QFile::encodeName(archive).toStdString(), soundtrack())) {
        std::fprintf(stderr, "bench_play_memory: cannot write the archive\n");
        return 1;
    }

    // The shell prints the player's own process id before becoming it.
    QProcess player;
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(QStringLiteral(MARROWFEN_WITH_SOUND),
                 {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo $$; exec \"$0\" \"$@\""),
                  QStringLiteral(MARROWFEN_PLAY_PATH), QStringLiteral("--default-length"), QStringLiteral("1"),
                  QStringLiteral("--default-fade"), QStringLiteral("0"), archive});
    player.closeWriteChannel();
    qint64 pid = -1;
    int started = 0;
    while (started < heard && player.waitForReadyRead(30000)) {
        while (player.canReadLine()) {
            const QByteArray line = player.readLine().trimmed();
            if (pid < 0)
                pid = line.toLongLong();
            else if (line.startsWith('['))
                ++started;
        }
    }
    const qint64 peakKiB = pid > 0 ? statusKiB(pid, "VmHWM") : -1;
    const qint64 nowKiB = pid > 0 ? statusKiB(pid, "VmRSS") : -1;
    if (pid > 0)
        kill(pid_t(pid), SIGINT); // as Ctrl+C would
    player.waitForFinished(30000);
    if (started < heard || peakKiB < 0) {
        std::fprintf(stderr, "bench_play_memory: the player started %d of %d tracks and then ended\n", started, heard);
        return 1;
    }
    std::printf("marrowfen-play, %d of %d tracks heard: peak resident %.1f MiB (now %.1f MiB), target <= %lld MiB: "
                "%s\n",
                started, kTracks, peakKiB / 1024.0, nowKiB / 1024.0, kTargetKiB / 1024,
                peakKiB <= kTargetKiB ? "met" : "MISSED");
    return 0;
}
