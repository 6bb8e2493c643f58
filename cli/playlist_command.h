// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-playlist's work: which folders get a playlist, the overwrite
// question, building (the window's own loop, or worker threads when tracks
// are read), writing, the summary and the exit status.
#pragma once

#include "options.h"
#include "unrar_library.h"

class Terminal;

enum ExitStatus : int {
    ExitDone = 0,       // every playlist written, every archive read
    ExitProblems = 1,   // written, with unreadable archives or left-out tracks
    ExitUsage = 2,      // usage error, missing folder or library
    ExitNotWritten = 3, // a playlist refused or failed to write
};

int RunPlaylistCommand(const CommandOptions &options, const UnrarFunctions &library, Terminal &terminal);
