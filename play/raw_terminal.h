// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The terminal on standard input in raw mode while one of these lives: keys
// arrive one at a time and are not echoed (Ctrl+C and Ctrl+Z still raise
// their signals). The terminal gets its own settings back on every way out:
// the destructor; a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT: given
// back, then the signal goes on to the handler before ours, by default a
// core dump); Ctrl+Z (given back on SIGTSTP, raw again on SIGCONT once the
// program is in the foreground again). Only a foreground program touches
// the terminal, so a player sent to the background is not stopped by it.
// One at a time.
#pragma once

class RawTerminal {
public:
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal &) = delete;
    RawTerminal &operator=(const RawTerminal &) = delete;

    // False when standard input is not a terminal (then nothing changed).
    bool isActive() const { return m_active; }

    // The terminal's own settings back, with async-signal-safe calls only:
    // for the signal handlers of the program's other ways out.
    static void restoreFromSignal();

    // Changes each time the program is resumed: the screen wants a redraw.
    static int resumeCount();

private:
    bool m_active = false;
};
