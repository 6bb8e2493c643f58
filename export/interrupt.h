// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Ctrl+C and SIGTERM, caught while it lives: the first only sets a flag,
// so that the work stops and removes its temporary files itself; a second
// ends the program at once (what it leaves has a hidden temporary name,
// never a real one).
#pragma once

#include <atomic>

class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher &) = delete;
    InterruptCatcher &operator=(const InterruptCatcher &) = delete;

    const std::atomic<bool> &flag() const;
    // The signal caught (0: none), for the exit status 128 + signal.
    int signal() const;
};
