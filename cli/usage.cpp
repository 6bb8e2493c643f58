// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "usage.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

void UsageError(const QString &text)
{
    const QByteArray program = QCoreApplication::applicationName().toLocal8Bit();
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.constData(), qPrintable(text),
                 program.constData());
}

std::optional<qint64> BoundedNumberOption(const QCommandLineParser &parser, const QCommandLineOption &option,
                                          qint64 least, qint64 most, const QString &what)
{
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok);
    if (ok && value >= least && value <= most)
        return value;
    UsageError(QStringLiteral("--%1 wants %2 from %3 to %4").arg(option.names().last(), what).arg(least).arg(most));
    return std::nullopt;
}
