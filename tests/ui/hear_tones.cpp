// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// hear_tones SECONDS HZ...: records the private sound server's null sink
// (tests/support/with_sound.sh) for SECONDS and succeeds when it heard one
// tone at each HZ (within 3%), in that order. Prints "recording" once it
// records, so a script knows when to make the sound, then what it heard.
#include "sound_recording.h"

#include <QCoreApplication>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 2 ? std::atoi(argv[1]) : 0;
    testsound::Recording recording;
    if (seconds < 1 || seconds > 60 || !recording.start()) {
        std::fprintf(stderr, "usage: %s SECONDS(1-60) HZ... %s\n", argv[0], qPrintable(recording.error()));
        return 2;
    }
    std::printf("recording\n");
    std::fflush(stdout);
    QThread::sleep(seconds);
    // Anything shorter than a tenth of a second is a click, not a track.
    const auto tones = testsound::FindTones(recording.stop(), testsound::kRate / 10);
    bool heard = tones.size() == std::size_t(argc - 2);
    for (std::size_t i = 0; i < tones.size(); ++i) {
        std::printf("%.0f Hz at %lld ms for %lld ms\n", tones[i].hz, testsound::FramesToMs(tones[i].start),
                    testsound::FramesToMs(tones[i].frames));
        heard = heard && i + 2 < std::size_t(argc) && std::abs(tones[i].hz / std::atof(argv[i + 2]) - 1) < 0.03;
    }
    return heard ? 0 : 1;
}
