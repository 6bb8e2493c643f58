// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The command line's standard error: messages prefixed with the program's
// name, one progress line that a message or the end clears, and questions.
#pragma once

#include <QElapsedTimer>
#include <QString>

class Terminal {
public:
    // Progress shows on a terminal, unless quiet, once work takes a moment.
    explicit Terminal(bool quiet);
    ~Terminal();

    // "<program>: <text>" on a line of its own.
    void message(const QString &text);

    // Replaces the progress line with text (throttled; nothing off a terminal).
    void progress(const QString &text);
    void clearProgress();

    // Whether a question can be answered here (standard input is a terminal).
    bool canAsk() const;
    // Asks "<question> [y/N] " and reads the answer; true for yes.
    bool ask(const QString &question);

private:
    bool m_showProgress;
    bool m_progressShown = false;
    QElapsedTimer m_started;
    qint64 m_lastProgress = -1;
};
