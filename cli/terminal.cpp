// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "terminal.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {
constexpr qint64 kProgressAfterMs = 500;
constexpr qint64 kProgressEveryMs = 100;

void writeError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString prefixed(const QString &text)
{
    return QCoreApplication::applicationName() + QStringLiteral(": ") + text;
}
} // namespace

Terminal::Terminal(bool quiet)
    : m_showProgress(!quiet && isatty(2))
{
    m_started.start();
}

Terminal::~Terminal()
{
    clearProgress();
}

void Terminal::message(const QString &text)
{
    clearProgress();
    QString line = prefixed(text);
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    writeError(line + u'\n');
}

void Terminal::progress(const QString &text)
{
    const qint64 now = m_started.elapsed();
    if (!m_showProgress || now < kProgressAfterMs || (m_lastProgress >= 0 && now - m_lastProgress < kProgressEveryMs))
        return;
    m_lastProgress = now;
    m_progressShown = true;
    writeError(QStringLiteral("\r\x1b[K") + prefixed(text));
}

void Terminal::clearProgress()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    writeError(QStringLiteral("\r\x1b[K"));
}

bool Terminal::canAsk() const
{
    return isatty(0);
}

bool Terminal::ask(const QString &question)
{
    clearProgress();
    writeError(prefixed(question) + QStringLiteral(" [y/N] "));
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}
