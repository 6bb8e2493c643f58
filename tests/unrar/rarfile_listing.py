#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

"""Prints an independent reader's (python3-rarfile) view of one RAR file as
JSON lines, for comparison with our library.

Usage: rarfile_listing.py ARCHIVE [OFFSET]

The first line is {"status": ..., "comment": ...}: status "ok",
"encrypted-headers" (names need the password) or "error"; comment is the
archive comment or null. Each further line is one member in header order:
{"name", "size", "dir", "encrypted", "solid"}, name with "\\" between its parts.

Only the given file is read, from OFFSET on (where the RAR signature starts
behind a self-extractor): rarfile gets the bytes, not the path, so it cannot
follow into other volumes of a set. It lists exactly the headers this one
file holds, as our library does; for a later volume its "start from the first
volume" guard is switched off, and members continued from the previous volume
are listed on their own instead of being merged into an earlier entry.
"""
import io
import json
import sys

import rarfile


def main():
    path = sys.argv[1]
    offset = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    with open(path, 'rb') as f:
        f.seek(offset)
        data = io.BytesIO(f.read())

    # The flags rarfile consults for "need the first volume" and for merging
    # continued members; a single volume is read on its own terms.
    rarfile.RAR_MAIN_NEWNUMBERING = 0
    rarfile.RAR_FILE_SPLIT_BEFORE = 0
    rarfile.RAR5_BLOCK_FLAG_SPLIT_BEFORE = 0

    try:
        archive = rarfile.RarFile(data)
        members = archive.infolist()
    except rarfile.Error as error:
        print(json.dumps({"status": "error", "message": str(error)}))
        return
    # Without the password rarfile stops at encrypted headers and lists
    # nothing; encrypted data alone still lists its members.
    if archive.needs_password() and not members:
        print(json.dumps({"status": "encrypted-headers"}))
        return
    print(json.dumps({"status": "ok", "comment": archive.comment}, ensure_ascii=False))
    for info in members:
        name = info.filename.replace('/', '\\')
        version = getattr(info, 'file_version', None)
        if version and version[1]:
            # RAR 5 keeps a file's version in a record; RAR 4 already had
            # ";N" in the stored name. Shown the same way for both.
            name += ';%d' % version[1]
        print(json.dumps({"name": name, "size": info.file_size, "dir": info.isdir(),
                          "encrypted": info.needs_password(),
                          "solid": bool(info.flags & rarfile.RAR_FILE_SOLID)},
                         ensure_ascii=False))


if __name__ == '__main__':
    main()
