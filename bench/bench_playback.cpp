// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// How soon a play request is heard: the time from Player::playAt to the
// first frames handed to the sound device, for the last track of a solid
// archive of 40 tone tracks. "cold" is a new Player (its cache empty: the
// whole archive is unpacked to reach the last member), "warm" the same
// Player again (the bytes in its cache). Medians of several rounds.
// Needs a sound server: run it through tests/support/with_sound.sh.
//   bench_playback [rounds]
#include "player.h"
#include "rar_builder.h"
#include "spc_tone.h"
#include "unrar_library.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr int kTracks = 40;
constexpr double kTargetMs = 50;

std::string SoundtrackArchive()
{
    std::vector<testrar::Member> members;
    for (int i = 1; i <= kTracks; ++i) {
        testspc::Tone tone;
        tone.pitch = testspc::pitchForHz(200 + 20 * i);
        tone.title = "Tone " + std::to_string(i);
        tone.playSeconds = 60;
        tone.fadeMs = 5000;
        members.emplace_back();
        members.back().name = (i < 10 ? "0" : "") + std::to_string(i) + " Tone.spc";
        members.back().data = testspc::makeSpc(tone);
    }
    testrar::Options options;
    options.solid = true;
    return testrar::build(testrar::Format::Rar5, members, options);
}

// Milliseconds from playAt(index) to the first frames handed on; nothing
// when the output failed or nothing came within 10 s.
std::optional<double> TimeToSound(Player &player, int index)
{
    QEventLoop loop;
    QElapsedTimer clock;
    std::optional<double> ms;
    const auto started = QObject::connect(&player, &Player::soundStarted, &loop, [&] {
        ms = double(clock.nsecsElapsed()) / 1e6;
        loop.quit();
    });
    const auto failed = QObject::connect(&player, &Player::outputFailed, &loop, [&](const QString &message) {
        std::fprintf(stderr, "bench_playback: %s\n", qPrintable(message));
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    clock.start();
    player.playAt(index);
    loop.exec();
    QObject::disconnect(started);
    QObject::disconnect(failed);
    player.stop();
    return ms;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    UnrarLibrary library;
    if (!library.load(QCoreApplication::applicationDirPath() + u'/' + UnrarLibrary::fileName())) {
        std::fprintf(stderr, "bench_playback: %s\n", qPrintable(library.errorString()));
        return 2;
    }
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("Soundtrack.rsn"));
    if (!dir.isValid() || !testrar::writeFile(archive.toStdString(), SoundtrackArchive())) {
        std::fprintf(stderr, "bench_playback: cannot write the archive in %s\n", qPrintable(dir.path()));
        return 2;
    }
    QList<TrackRef> queue;
    for (int i = 1; i <= kTracks; ++i) {
        const QString name = QStringLiteral("%1 Tone.spc").arg(i, 2, 10, QLatin1Char('0'));
        queue.append({archive, name, name});
    }

    std::vector<double> cold, warm;
    for (int round = 0; round < rounds; ++round) {
        Player player(&library.functions());
        player.setQueue(queue);
        const std::optional<double> first = TimeToSound(player, kTracks - 1);
        const std::optional<double> again = TimeToSound(player, kTracks - 1);
        if (!first || !again)
            return 1;
        cold.push_back(*first);
        warm.push_back(*again);
    }
    std::printf("play request to first frame handed to the sound device, last of %d tracks in a solid archive\n",
                kTracks);
    std::printf("  cold (archive unpacked): %7.1f ms median of %d (target <= %.0f ms)\n", Median(cold), rounds,
                kTargetMs);
    std::printf("  warm (bytes in cache):   %7.1f ms median of %d\n", Median(warm), rounds);
    return 0;
}
