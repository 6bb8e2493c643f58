// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One run of marrowfen-play: the items resolved into a queue (each problem
// reported), played on the default audio output and published over MPRIS,
// shown as a status line driven by keys on a terminal or as one line per
// track elsewhere, until the queue ends, q, or a quit signal.
#pragma once

#include "play_options.h"
#include "unrar_library.h"

class Terminal;

struct PlayOutcome {
    int status = PlayExitDone; // a PlayExitStatus
    int quitSignal = 0;        // the signal that ended the run (0 none): the program then ends by it
};

PlayOutcome RunPlay(const PlayOptions &options, const UnrarFunctions &library, Terminal &terminal);
