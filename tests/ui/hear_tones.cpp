// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Records the private sound server's null sink for SECONDS seconds (run
// through tests/support/with_sound.sh) and prints the tones heard, one a
// line: "HZ START_MS LENGTH_MS". Prints "recording" first, once it records,
// so a script knows when to make the sound.
#include "sound_recording.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc == 2 ? std::atoi(argv[1]) : 0;
    if (seconds < 1 || seconds > 60) {
        std::fprintf(stderr, "usage: %s SECONDS (1 to 60)\n", argv[0]);
        return 2;
    }
    testsound::Recording recording;
    if (!recording.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(recording.error()));
        return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);
    QThread::sleep(seconds);
    // Tones shorter than a tenth of a second are clicks, not tracks.
    for (const testsound::Tone &tone : testsound::FindTones(recording.stop(), testsound::kRate / 10))
        std::printf("%.0f %lld %lld\n", tone.hz, static_cast<long long>(testsound::FramesToMs(tone.start)),
                    static_cast<long long>(testsound::FramesToMs(tone.frames)));
    return 0;
}
