// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Run-time binding to the archive library beside the program: resolves the
// five listing functions of its C interface and says why when it cannot, and
// the optional callback through which it hands over a member's data.
#pragma once

#include "unrar.h"

#include <QLibrary>

#include <QString>

struct UnrarFunctions {
    void *(PASCAL *openArchive)(RAROpenArchiveData *) = nullptr;
    void(PASCAL *setPassword)(void *, char *) = nullptr;
    int(PASCAL *readHeader)(void *, RARHeaderData *) = nullptr;
    int(PASCAL *processFile)(void *, int, char *, char *) = nullptr;
    int(PASCAL *closeArchive)(void *) = nullptr;
    // Optional: a library without it tests members but hands over no data.
    void(PASCAL *setCallback)(void *, UNRARCALLBACK, LPARAM) = nullptr;
};

class UnrarLibrary {
public:
    // The library's file name on this platform ("unrar.dll" on Windows).
    static QString fileName();

    // What the user is told when the library file is not beside the program.
    static QString missingPrompt();

    // Loads the library file at path; on failure errorString() says why,
    // and loadFailurePrompt(path) what the user is told.
    bool load(const QString &path);
    QString loadFailurePrompt(const QString &path) const;
    bool isLoaded() const { return m_loaded; }
    QString errorString() const { return m_error; }
    const UnrarFunctions &functions() const { return m_functions; }

private:
    QLibrary m_library;
    UnrarFunctions m_functions;
    QString m_error;
    bool m_loaded = false;
};

// The library the engine lists archives with; nullptr until one is installed.
// The caller keeps the functions alive while they are installed.
void setArchiveLibrary(const UnrarFunctions *functions);
const UnrarFunctions *archiveLibrary();
