// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The pieces every walk over an archive's members shares: the handle that
// closes itself, the messages for the library's open failures, and member
// names as the listing writes them.
#pragma once

#include "archive_listing.h"
#include "unrar_library.h"

#include <QString>

// Closes the archive handle however the walk ends.
class ArchiveHandle {
public:
    ArchiveHandle(const UnrarFunctions &library, void *handle)
        : m_library(library)
        , m_handle(handle)
    {
    }
    ~ArchiveHandle()
    {
        if (m_handle)
            m_library.closeArchive(m_handle);
    }
    ArchiveHandle(const ArchiveHandle &) = delete;
    ArchiveHandle &operator=(const ArchiveHandle &) = delete;

    void *get() const { return m_handle; }

private:
    const UnrarFunctions &m_library;
    void *m_handle;
};

// The message for the library's open failure code (10 to 17); an empty
// prompt for any other code.
ListingMessage OpenFailureMessage(const QString &archivePath, unsigned code);

// The member's path up to its first NUL (the whole field when it has none),
// decoded from the file-name encoding, with "\" between its parts.
QString MemberName(const RARHeaderData &header);
