# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Helpers for driving the real program on a virtual X server (sourced by
# the scripts run through xvfb-run). Every wait is bounded.

# Qt must talk to the X server, whatever the test environment says.
export QT_QPA_PLATFORM=xcb
# X11 and font libraries keep caches until exit; not ours to report.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

# A scratch folder, removed on exit together with the program if it was
# started as $pid.
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Prints the id of the visible window whose title is exactly $1, waiting up
# to $2 seconds (default 20).
wait_window() {
    local id pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\\.*^$?+(){}|]/\\&/g')
    id=$(timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n 1) ||
        fail "no window \"$1\" appeared"
    [ -n "$id" ] || fail "no window \"$1\" appeared"
    echo "$id"
}

# Gives window $1 the keyboard (there is no window manager to do it).
focus_window() {
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.3
}

# Waits up to $2 seconds (default 10) for process $1, a child of this shell,
# to end, and leaves its exit status in exit_status.
wait_exit() {
    local pid=$1 tenths=$((${2:-10} * 10))
    while kill -0 "$pid" 2>/dev/null && ((tenths-- > 0)); do
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        fail "the program did not end"
    fi
    exit_status=0
    wait "$pid" || exit_status=$?
}

# The size of window $1 as WIDTHxHEIGHT.
window_size() {
    xdotool getwindowgeometry "$1" | sed -n 's/^ *Geometry: //p'
}
