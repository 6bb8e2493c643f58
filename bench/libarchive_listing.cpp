// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "libarchive_listing.h"

#include <archive.h>
#include <archive_entry.h>

bool listWithLibarchive(const std::vector<std::string> &paths, int members)
{
    for (const std::string &path : paths) {
        archive *reader = archive_read_new();
        archive_read_support_format_rar5(reader);
        int listed = 0;
        if (archive_read_open_filename(reader, path.c_str(), 10240) == ARCHIVE_OK) {
            archive_entry *entry;
            while (archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
                ++listed;
                archive_read_data_skip(reader);
            }
        }
        archive_read_free(reader);
        if (listed != members)
            return false;
    }
    return true;
}
