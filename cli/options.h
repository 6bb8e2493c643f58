// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The command line's options, read the QCommandLineParser way.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct CommandOptions {
    QString folder;
    QStringList archives; // names given after FOLDER; none: every archive
    QString playlistName;
    bool force = false;
    bool recursive = false;
    bool extinf = false;
    bool check = false;
    bool quiet = false;
    int jobs = 0; // archives read at once; 0: one per core
};

// The options in arguments (the program's name first). --help and
// --version print and end the program; a usage error is printed and
// returns no options.
std::optional<CommandOptions> ParseCommandLine(const QStringList &arguments);
