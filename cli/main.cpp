// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "options.h"
#include "paths.h"
#include "playlist_command.h"
#include "terminal.h"
#include "unrar_library.h"

#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfen-playlist"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARROWFEN_VERSION));

    const std::optional<CommandOptions> options = ParseCommandLine(QCoreApplication::arguments());
    if (!options)
        return ExitUsage;
    Terminal terminal(options->quiet);

    // The archive library lies beside the program's real file, as for the window.
    const QString libraryPath = JoinPath(QCoreApplication::applicationDirPath(), UnrarLibrary::fileName());
    UnrarLibrary library;
    if (!QFileInfo(libraryPath).isFile()) {
        terminal.message(UnrarLibrary::missingPrompt());
        return ExitUsage;
    }
    if (!library.load(libraryPath)) {
        terminal.message(library.loadFailurePrompt(libraryPath));
        return ExitUsage;
    }
    return RunPlaylistCommand(*options, library.functions(), terminal);
}
