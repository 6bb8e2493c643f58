// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What the command-line programs share in reading their options: the usage
// message and whole numbers within bounds.
#pragma once

#include <QString>

#include <optional>

// The most workers -j/--jobs may ask for.
constexpr int kMostJobs = 64;

class QCommandLineOption;
class QCommandLineParser;

// "<program>: <text>" and where help is, on standard error.
void UsageError(const QString &text);

// The option's whole-number value when it lies in [least, most]; otherwise a
// usage error such as "--jobs wants a number from 1 to 64" (with `what` for
// "a number") and nullopt.
std::optional<qint64> BoundedNumberOption(const QCommandLineParser &parser, const QCommandLineOption &option,
                                          qint64 least, qint64 most, const QString &what = QStringLiteral("a number"));
