// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "raw_terminal.h"

#include <cerrno>
#include <csignal>
#include <iterator>

#include <pthread.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Shared with the signal handlers, so plain globals of async-signal-safe types.
termios g_ownSettings;
termios g_rawSettings;
volatile sig_atomic_t g_installed = 0;  // a RawTerminal lives
volatile sig_atomic_t g_rawApplied = 0; // the terminal is in raw mode now
volatile sig_atomic_t g_resumes = 0;

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kHandled[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTSTP, SIGCONT};
struct sigaction g_before[std::size(kHandled)];

const struct sigaction &actionBefore(int signal)
{
    int i = 0;
    while (kHandled[i] != signal)
        ++i;
    return g_before[i];
}

bool inForeground()
{
    return tcgetpgrp(STDIN_FILENO) == getpgrp();
}

void applyRaw()
{
    if (g_installed && !g_rawApplied && inForeground() && tcsetattr(STDIN_FILENO, TCSANOW, &g_rawSettings) == 0)
        g_rawApplied = 1;
}

void setHandler(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void onCrash(int signal)
{
    RawTerminal::restoreFromSignal();
    // Blocked until this handler returns, then it meets the handler before ours.
    sigaction(signal, &actionBefore(signal), nullptr);
    raise(signal);
}

void onSuspend(int)
{
    const int savedErrno = errno;
    RawTerminal::restoreFromSignal();
    setHandler(SIGTSTP, SIG_DFL);
    sigset_t suspend;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    raise(SIGTSTP);
    // The program stops here, and goes on when continued.
    pthread_sigmask(SIG_UNBLOCK, &suspend, nullptr);
    setHandler(SIGTSTP, onSuspend);
    errno = savedErrno;
}

void onResume(int)
{
    const int savedErrno = errno;
    applyRaw();
    g_resumes = g_resumes + 1;
    errno = savedErrno;
}
} // namespace

RawTerminal::RawTerminal()
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_ownSettings) != 0)
        return;
    g_rawSettings = g_ownSettings;
    g_rawSettings.c_lflag &= ~tcflag_t(ICANON | ECHO);
    g_rawSettings.c_cc[VMIN] = 1;
    g_rawSettings.c_cc[VTIME] = 0;
    for (size_t i = 0; i < std::size(kHandled); ++i)
        sigaction(kHandled[i], nullptr, &g_before[i]);
    for (const int signal : kCrashSignals)
        setHandler(signal, onCrash);
    // Without job control (SIGTSTP ignored from the start) Ctrl+Z stays without effect.
    if (actionBefore(SIGTSTP).sa_handler != SIG_IGN)
        setHandler(SIGTSTP, onSuspend);
    setHandler(SIGCONT, onResume);
    g_installed = 1;
    m_active = true;
    applyRaw();
}

RawTerminal::~RawTerminal()
{
    if (!m_active)
        return;
    restoreFromSignal();
    g_installed = 0;
    for (size_t i = 0; i < std::size(kHandled); ++i)
        sigaction(kHandled[i], &g_before[i], nullptr);
}

void RawTerminal::restoreFromSignal()
{
    if (!g_rawApplied)
        return;
    // Even from the background (stopped and continued there by others): a
    // program ending must not be stopped by SIGTTOU instead.
    sigset_t ttou;
    sigset_t before;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    pthread_sigmask(SIG_BLOCK, &ttou, &before);
    tcsetattr(STDIN_FILENO, TCSANOW, &g_ownSettings);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    g_rawApplied = 0;
}

int RawTerminal::resumeCount()
{
    return g_resumes;
}
