// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// SIGINT, SIGTERM and SIGHUP as events of the Qt event loop, so that the
// player stops cleanly (its threads ended, the terminal given back) before
// the program ends by the signal. A second one while that runs ends the
// program at once, the terminal given back first.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override; // the handlers before ours come back

signals:
    void quitRequested(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};

// Ends the program by signal as its default action does, so that a shell
// sees it (a script stops at Ctrl+C); for after the cleanup.
[[noreturn]] void EndBySignal(int signal);
