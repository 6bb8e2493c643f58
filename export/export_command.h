// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-export's work on a terminal: the plan, the run with its
// progress line, the summary and the exit status.
#pragma once

#include "export_options.h"
#include "unrar_library.h"

#include <atomic>

class Terminal;

enum ExportExit : int {
    ExportDone = 0,       // everything exported or already there
    ExportLeftOut = 1,    // some tracks or items left out
    ExportUsage = 2,      // usage error, nothing to export, no library
    ExportNotWritten = 3, // an output file or folder could not be written
};

// The exit status; with cancel set part way, 128 + the signal is the
// caller's to give.
int RunExportCommand(const ExportCommandOptions &options, const UnrarFunctions &library, Terminal &terminal,
                     const std::atomic<bool> *cancel);
