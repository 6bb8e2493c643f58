// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A shared library with only part of the archive library's interface, for
// the loader's "missing function" report.
#include "unrar.h"

extern "C" {
UNRAR_API void *PASCAL RAROpenArchive(RAROpenArchiveData *data)
{
    data->OpenResult = ERAR_EOPEN;
    return nullptr;
}

UNRAR_API int PASCAL RARCloseArchive(void *)
{
    return ERAR_SUCCESS;
}
}
