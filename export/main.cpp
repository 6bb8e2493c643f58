// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_command.h"
#include "export_options.h"
#include "interrupt.h"
#include "library_loader.h"
#include "terminal.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowfen-export"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARROWFEN_VERSION));

    const std::optional<ExportCommandOptions> options = ParseExportCommandLine(QCoreApplication::arguments());
    if (!options)
        return ExportUsage;
    Terminal terminal(options->quiet);
    UnrarLibrary library;
    if (!LoadLibraryBesideProgram(library, terminal))
        return ExportUsage;
    const InterruptCatcher interrupt;
    const int status = RunExportCommand(*options, library.functions(), terminal, &interrupt.flag());
    return interrupt.signal() != 0 ? 128 + interrupt.signal() : status;
}
