#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# The archive library on Windows: cross-builds unrar.dll and the lister with
# MinGW-w64 (preset "windows", warnings as errors), checks that the DLL
# exports exactly the functions of unrar/unrar.def, then lists both shared
# sets of real archives through it under wine, testing every member, and
# compares each listing (results, CRC-32 of the delivered bytes) with
# the Linux library's (compare_listings.py).
#
# Usage: tests/windows/check.sh [LINUX_BUILD]   (default: build/, with bin/list_archives built)
# Needs: g++-mingw-w64-x86-64-posix, wine, wine64, python3 (scripts/test.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
linux_build=$(cd "${1:-$root/build}" && pwd)
windows_build=$root/build-windows
here=$root/tests/windows

fail() { echo "windows check: $*" >&2; exit 1; }
step() { echo "windows check: $*"; }

[ -x "$linux_build/bin/list_archives" ] || fail "$linux_build/bin/list_archives is not built"

step "cross-building unrar.dll and list_archives.exe"
(cd "$root" && cmake --preset windows >/dev/null && cmake --build --preset windows)

step "checking the DLL's exports"
exports=$(x86_64-w64-mingw32-objdump -p "$windows_build/bin/unrar.dll" \
    | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
declared=$(sed -n '/^EXPORTS/,$s/^[[:space:]]\+\([A-Za-z]\+\).*/\1/p' "$root/unrar/unrar.def" | sort)
[ -n "$declared" ] && [ "$exports" = "$declared" ] || fail "unrar.dll exports: $(echo $exports); unrar.def declares: $(echo $declared)"

# A prefix of our own, kept in the build folder: wine sets it up once.
export WINEPREFIX=$windows_build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=UTC LC_ALL=C
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

if [ ! -d "$WINEPREFIX" ]; then
    step "setting up wine in $WINEPREFIX (once per build folder)"
    wineboot --init >/dev/null 2>&1
fi

status=0
for set in real-rar more-real-rar; do
    [ -d "$root/../shared/$set" ] || fail "$root/../shared/$set is missing"
    folder=$(cd "$root/../shared/$set" && pwd)
    step "listing $set through both libraries"
    "$linux_build/bin/list_archives" "$folder" >"$work/$set.linux"
    wine "$windows_build/bin/list_archives.exe" "Z:${folder//\//\\}" >"$work/$set.windows"
    "$here/compare_listings.py" "$work/$set.linux" "$work/$set.windows" || status=1
done
[ $status = 0 ] || fail "the Windows library's listing differs from the Linux library's"
step "all passed"
