#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# The real program, copied into a folder without the archive library, shows
# its message and ends with a failure status; with the library beside it,
# it opens its window. Run through xvfb-run; $1 is the built program, $2 the
# built library.
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
program=$1
library=$2

cp "$program" "$work/marrowfen"
cd "$work"

"$work/marrowfen" >"$work/log" 2>&1 &
pid=$!
box=$(wait_window Marrowfen)
size=$(window_size "$box")
[ "$size" != 396x321 ] || fail "the main window opened without the library"
focus_window "$box"
xdotool key Return
wait_exit "$pid"
pid=
[ "$exit_status" = 1 ] || fail "exit status $exit_status, expected 1 ($(cat "$work/log"))"

# The same program with the library beside it starts and keeps running.
cp "$library" "$work/"
"$work/marrowfen" >"$work/log" 2>&1 &
pid=$!
window=$(wait_window Marrowfen)
size=$(window_size "$window")
[ "$size" = 396x321 ] || fail "main window size $size"
kill -0 "$pid" || fail "the program ended with the library present"
echo "PASS"
