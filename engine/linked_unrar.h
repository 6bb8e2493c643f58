// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The archive library's functions for programs that link it in (benchmarks,
// fuzzers) rather than load it beside them at run time.
#pragma once

#include "unrar_library.h"

inline UnrarFunctions LinkedUnrarFunctions()
{
    UnrarFunctions f;
    f.openArchive = RAROpenArchive;
    f.setPassword = RARSetPassword;
    f.readHeader = RARReadHeader;
    f.processFile = RARProcessFile;
    f.closeArchive = RARCloseArchive;
    f.setCallback = RARSetCallback;
    return f;
}
