# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

"""Times python3-rarfile listing every archive of a folder, in rounds.

Usage: rarfile_listing.py FOLDER ROUNDS EXPECTED_MEMBERS
Prints one line per round: the seconds it took to list all archives.
"""
import os
import sys
import time

import rarfile


def main():
    folder, rounds, expected = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    paths = sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".rsn"))
    for _ in range(rounds):
        start = time.perf_counter()
        for path in paths:
            members = rarfile.RarFile(path).infolist()
            if len(members) != expected:
                sys.exit("%s: %d members, expected %d" % (path, len(members), expected))
        print("%.6f" % (time.perf_counter() - start), flush=True)


if __name__ == "__main__":
    main()
