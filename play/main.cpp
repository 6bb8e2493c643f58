// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "library_loader.h"
#include "play_options.h"
#include "play_session.h"
#include "quit_signals.h"
#include "terminal.h"
#include "unrar_library.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfen-play"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARROWFEN_VERSION));

    const std::optional<PlayOptions> options = ParsePlayCommandLine(QCoreApplication::arguments());
    if (!options)
        return PlayExitUsage;
    Terminal terminal(true);
    UnrarLibrary library;
    if (!LoadLibraryBesideProgram(library, terminal))
        return PlayExitUsage;
    const PlayOutcome outcome = RunPlay(*options, library.functions(), terminal);
    if (outcome.quitSignal != 0)
        EndBySignal(outcome.quitSignal);
    return outcome.status;
}
