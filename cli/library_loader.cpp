// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "library_loader.h"

#include "paths.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QFileInfo>

bool LoadLibraryBesideProgram(UnrarLibrary &library, Terminal &terminal)
{
    const QString libraryPath = JoinPath(QCoreApplication::applicationDirPath(), UnrarLibrary::fileName());
    if (!QFileInfo(libraryPath).isFile()) {
        terminal.message(UnrarLibrary::missingPrompt());
        return false;
    }
    if (!library.load(libraryPath)) {
        terminal.message(library.loadFailurePrompt(libraryPath));
        return false;
    }
    return true;
}
