// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "form1.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marrowfen"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.marrowfen.Marrowfen"));
    // The installed icon, for window managers that do not read the desktop entry.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.marrowfen.Marrowfen")));

    Form1 window;
    if (!window.Form_Load())
        return EXIT_FAILURE;
    window.show();
    return QApplication::exec();
}
