#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT
"""Compares the Linux and the Windows library's listing of one folder, as
printed by list_archives: every line must be the same, except that a member
name outside ASCII comes back from Windows in the ANSI code page (best-fit
letters or '?', one byte per UTF-16 unit), never as the UTF-8 bytes.

Usage: compare_listings.py LINUX_LISTING WINDOWS_LISTING
"""
import os
import re
import sys


def unescape(name):
    return re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]), name.encode("ascii"))


def ansi_form_of(linux_name, windows_name):
    """Whether windows_name is what Windows makes of the UTF-8 linux_name."""
    utf8, ansi = unescape(linux_name), unescape(windows_name)
    if utf8 == ansi:
        return False  # raw UTF-8 bytes (the names differ, so not ASCII)
    expected = []  # an ASCII byte, or None for one byte of a converted unit
    for char in utf8.decode("utf-8", errors="replace"):
        if ord(char) < 0x80:
            expected.append(ord(char))
        else:
            expected += [None] * (len(char.encode("utf-16-le")) // 2)
    return len(expected) == len(ansi) and all(want is None or want == got for want, got in zip(expected, ansi))


def main(linux_path, windows_path):
    def lines(path):
        with open(path, encoding="ascii") as listing:
            return [line.rstrip("\r\n") for line in listing]

    linux, windows = lines(linux_path), lines(windows_path)
    faults = []
    if len(linux) != len(windows):
        faults.append(f"{len(linux)} lines from Linux, {len(windows)} from Windows")
    converted = 0
    for number, (ours, theirs) in enumerate(zip(linux, windows), 1):
        if ours == theirs:
            continue
        fields, _, name = ours.partition(" | ")
        other_fields, _, other_name = theirs.partition(" | ")
        if fields == other_fields and name and ansi_form_of(name, other_name):
            converted += 1
            continue
        faults.append(f"line {number}:\n  Linux:   {ours}\n  Windows: {theirs}")
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{os.path.basename(linux_path)}: {len(linux)} lines, {converted} non-ASCII names in the ANSI code page"
          + (f", {len(faults)} differences" if faults else ", the same"))
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
