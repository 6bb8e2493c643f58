// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "interrupt.h"

#include <csignal>

namespace {
// Written by the signal handler: lock-free atomics only.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr int kSignals[] = {SIGINT, SIGTERM};

#ifndef Q_OS_WIN
extern "C" void onSignal(int number)
{
    g_signal = number;
    g_interrupted = true;
}
#endif
} // namespace

InterruptCatcher::InterruptCatcher()
{
    g_interrupted = false;
    g_signal = 0;
#ifndef Q_OS_WIN
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND; // the second signal takes its default course
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
#else
    for (int number : kSignals)
        std::signal(number, [](int caught) {
            g_signal = caught;
            g_interrupted = true;
        });
#endif
}

InterruptCatcher::~InterruptCatcher()
{
    for (int number : kSignals)
        std::signal(number, SIG_DFL);
}

const std::atomic<bool> &InterruptCatcher::flag() const
{
    return g_interrupted;
}

int InterruptCatcher::signal() const
{
    return g_signal;
}
