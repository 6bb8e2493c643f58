// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-play's options and exit statuses.
#pragma once

#include "track_timing.h"

#include <QStringList>

#include <optional>

enum PlayExitStatus : int {
    PlayExitDone = 0,     // everything played
    PlayExitProblems = 1, // some items could not be played, the rest was
    PlayExitUsage = 2,    // usage error, nothing playable, or no archive library
    PlayExitNoOutput = 3, // no audio output
};

struct PlayOptions {
    QStringList items; // playlists, archives, SPC files, "Archive.rsn\inner\path.spc"
    TimingDefaults defaults;
    bool repeat = false;
    bool shuffle = false;
};

// The options in arguments (the program's name first). --help and
// --version print and end the program; a usage error is printed and
// returns no options.
std::optional<PlayOptions> ParsePlayCommandLine(const QStringList &arguments);
