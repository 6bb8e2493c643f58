#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Starts an installed Marrowfen without a display and checks that it gets past
# its start-up check: started through the bin/ link, the program must find the
# archive library beside its real file, load it and keep running. Then the
# same program, copied without the library, must not get there.
#
# Usage: packaging/smoke-test.sh PREFIX   (the folder holding bin/ and lib*/)
set -euo pipefail

fail() { echo "smoke test: $*" >&2; exit 1; }
[ $# -eq 1 ] || fail "usage: $0 PREFIX"
prefix=$(cd "$1" && pwd)
launcher=$prefix/bin/marrowfen
library_name=libunrar.so

# The layout: a relative link in bin/ to the program in its private folder.
[ -L "$launcher" ] || fail "$launcher is not a symlink"
case $(readlink "$launcher") in
/*) fail "$launcher points to an absolute path: $(readlink "$launcher")" ;;
esac
program=$(readlink -f "$launcher")
folder=$(dirname "$program")
[ -f "$program" ] && [ -x "$program" ] || fail "$launcher does not lead to an executable file"
[ -f "$folder/$library_name" ] || fail "$library_name is not beside the program in $folder"
case $folder in
"$prefix"/lib*/marrowfen) ;;
*) fail "the program is not in a private folder lib*/marrowfen under $prefix: $folder" ;;
esac
# Installed binaries carry no search path into the build tree (or anywhere:
# the library is loaded by its absolute path, Qt comes from the system).
for binary in "$program" "$folder/$library_name"; do
    if readelf -d "$binary" | grep -E '\((RPATH|RUNPATH)\)'; then
        fail "$binary has a library search path"
    fi
done

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Whether the process pid still runs (an ended child stays a zombie until
# waited for, and kill -0 succeeds on a zombie).
alive() { [ -n "$(sed -n 's/^State:[[:space:]]*\([^Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null)" ]; }

# Whether the process pid has the library file (resolved path) mapped.
has_mapped() { grep -qF " $2" "/proc/$1/maps" 2>/dev/null; }

# Starts a launcher offscreen, in an empty folder, with its output in a log.
start() {
    local log=$2
    (cd "$work/cwd" && exec env QT_QPA_PLATFORM=offscreen "$1" >"$log" 2>&1) &
    pid=$!
}

mkdir "$work/cwd"

# 1. The installed program: the library gets loaded from the program's folder
#    (within 20 s: a sanitizer build starts slowly) and the program keeps running.
start "$launcher" "$work/installed.log"
loaded=0
for _ in $(seq 100); do
    alive "$pid" || break
    if has_mapped "$pid" "$folder/$library_name"; then loaded=1; break; fi
    sleep 0.2
done
if [ $loaded = 0 ]; then
    cat "$work/installed.log" >&2
    alive "$pid" || fail "the installed program ended at start"
    fail "the installed program did not load $folder/$library_name"
fi
sleep 2
alive "$pid" || { cat "$work/installed.log" >&2; fail "the installed program ended after loading the library"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
echo "smoke test: started through $launcher, loaded $folder/$library_name and kept running"

# 2. The same program in a copy of the layout without the library: it must not
#    load one from anywhere else (it stops at the missing-library message, or
#    ends).
mkdir -p "$work/copy/bin" "$work/copy/lib/marrowfen"
cp "$program" "$work/copy/lib/marrowfen/"
ln -s ../lib/marrowfen/marrowfen "$work/copy/bin/marrowfen"
start "$work/copy/bin/marrowfen" "$work/missing.log"
sleep 3
if alive "$pid"; then
    if grep -q "$library_name" "/proc/$pid/maps"; then
        fail "without its library, the program loaded: $(grep "$library_name" "/proc/$pid/maps" | head -1)"
    fi
    echo "smoke test: without the library the program loads none and waits at its message"
else
    status=0
    wait "$pid" 2>/dev/null || status=$?
    pid=
    [ "$status" -ne 0 ] || fail "without its library, the program ended with status 0"
    echo "smoke test: without the library the program ended with status $status"
fi
