// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "library_loader.h"
#include "options.h"
#include "playlist_command.h"
#include "terminal.h"
#include "unrar_library.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfen-playlist"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARROWFEN_VERSION));

    const std::optional<CommandOptions> options = ParseCommandLine(QCoreApplication::arguments());
    if (!options)
        return ExitUsage;
    Terminal terminal(options->quiet);

    UnrarLibrary library;
    if (!LoadLibraryBesideProgram(library, terminal))
        return ExitUsage;
    return RunPlaylistCommand(*options, library.functions(), terminal);
}
