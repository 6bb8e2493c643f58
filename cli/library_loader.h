// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The archive library beside the program's real file, as the window loads
// it, for every terminal program.
#pragma once

class Terminal;
class UnrarLibrary;

// Loads it into library; false after telling the user why it is missing or
// unusable.
bool LoadLibraryBesideProgram(UnrarLibrary &library, Terminal &terminal);
