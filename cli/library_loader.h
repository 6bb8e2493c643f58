// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The archive library of a command-line program: the file beside the
// program's real file, as for the window.
#pragma once

#include "unrar_library.h"

class Terminal;

// Loads it into library; false when it is missing or cannot be loaded,
// after telling the terminal why.
bool LoadLibraryBesideProgram(UnrarLibrary &library, Terminal &terminal);
