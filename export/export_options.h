// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-export's options, read the QCommandLineParser way.
#pragma once

#include "export_settings.h"

#include <QStringList>

#include <optional>

struct ExportCommandOptions {
    QStringList items; // playlists, archives, SPC files, "Archive.rsn\inner.spc", folders
    ExportSettings settings;
    bool recursive = false;
    bool quiet = false;
};

// The options in arguments (the program's name first). --help and
// --version print and end the program; a usage error is printed and
// returns no options.
std::optional<ExportCommandOptions> ParseExportCommandLine(const QStringList &arguments);
