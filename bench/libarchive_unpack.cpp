// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "libarchive_unpack.h"

#include <archive.h>
#include <archive_entry.h>

std::int64_t unpackWithLibarchive(const std::string &path)
{
    archive *a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    std::int64_t total = 0;
    if (archive_read_open_filename(a, path.c_str(), 1 << 16) != ARCHIVE_OK) {
        archive_read_free(a);
        return -1;
    }
    archive_entry *entry = nullptr;
    int status;
    // A warning (say, a name it cannot convert) still gives the entry.
    while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
        if (archive_entry_filetype(entry) == AE_IFDIR)
            continue; // libarchive refuses to read a folder's (empty) data
        const void *block;
        size_t size;
        la_int64_t offset;
        int r;
        while ((r = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK)
            total += static_cast<std::int64_t>(size);
        if (r != ARCHIVE_EOF) {
            total = -1;
            break;
        }
    }
    if (status != ARCHIVE_EOF)
        total = -1;
    archive_read_free(a);
    return total;
}
