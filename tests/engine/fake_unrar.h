// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// An in-process stand-in for the archive library: archives are scripted by
// path, and every call the engine makes is written to a log, so tests can
// check the exact sequence, the records handed over and the handles used.
#pragma once

#include "unrar_library.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace fake {

struct Member {
    QByteArray fileName; // raw FileName bytes; 260 or more means "no NUL in the field"
    unsigned int unpSize = 100;
};

struct Archive {
    unsigned int openResult = ERAR_SUCCESS;
    bool handleOnFailure = false; // hand back a handle even though the open failed
    bool noHandle = false;        // hand back no handle even though the open succeeded
    QList<Member> members;
    int endCode = ERAR_END_ARCHIVE; // what RARReadHeader returns after the last member
};

// What RAROpenArchive was given, for the last call.
struct OpenRecord {
    QByteArray arcName;
    unsigned int openMode = 0;
    unsigned int cmtBufSize = 0;
    bool commentAllSpaces = false; // every one of CmtBufSize bytes is a space
};

// Forgets every archive, the log and the open record.
void reset();
void addArchive(const QByteArray &path, const Archive &archive);

// One line per call: "open <name>", "password <text>", "read <code>",
// "skip", "close"; "BAD ..." for a call with an unknown handle or
// unexpected arguments. Tests may append their own lines ("yield", ...).
QStringList &log();
const OpenRecord &lastOpen();
int openHandles(); // handles given out and not yet closed

// The five functions, for setArchiveLibrary.
const UnrarFunctions &functions();

} // namespace fake
