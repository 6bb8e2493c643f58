// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "quit_signals.h"

#include "raw_terminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {
constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_before[std::size(kQuitSignals)];
int g_pipe[2] = {-1, -1}; // the handler writes the signal's number, the event loop reads it
volatile sig_atomic_t g_asked = 0;

void defaultAction(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void onQuit(int signal)
{
    const int savedErrno = errno;
    if (g_asked) {
        RawTerminal::restoreFromSignal();
        defaultAction(signal);
        raise(signal); // delivered as this handler returns
    } else {
        g_asked = signal;
        const char number = char(signal);
        [[maybe_unused]] const ssize_t written = write(g_pipe[1], &number, 1);
    }
    errno = savedErrno;
}
} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no clean stop then: the signals keep their default action
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        if (read(g_pipe[0], &number, 1) == 1)
            emit quitRequested(number);
    });
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
        sigaction(kQuitSignals[i], nullptr, &g_before[i]);
        // A signal ignored from the start stays so (nohup, a shell's background job).
        if (g_before[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onQuit;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kQuitSignals[i], &action, nullptr);
    }
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(kQuitSignals); ++i)
        sigaction(kQuitSignals[i], &g_before[i], nullptr);
    delete m_notifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_asked = 0;
}

void EndBySignal(int signal)
{
    defaultAction(signal);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal); // when the signal does not end the program by default
}
