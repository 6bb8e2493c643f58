#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# A build as a user does it: start the program in a folder of archives,
# pick the first archive with the mouse and the third with the keyboard
# (dismissing the preview message of the archive in between), type a name
# without its ending, press the button, agree to overwrite, and compare the
# playlist's bytes. Run through xvfb-run; $1 is the built program, $2 the
# demo folder maker.
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
program=$1
make_folder=$2

folder="$work/Music"
mkdir "$folder"
"$make_folder" "$folder" --expected "$work/expected.m3u"
printf '#EXTM3U\r\nold.rsn\\old.spc\r\n' >"$folder/Road Trip.m3u"

cd "$folder"
"$program" >"$work/log" 2>&1 &
pid=$!
window=$(wait_window Marrowfen)
focus_window "$window"

# Client-area positions in pixels: the file list starts at (8, 152), the
# name box at (168, 256), the button at (136, 288) and is 121 x 25.
xdotool mousemove --window "$window" 40 160 click 1  # Castle Quest.rsn
sleep 0.5
xdotool key ctrl+Down                                 # Docs Only.rsn: previewed, nothing playable
box=$(wait_window "No Playable Files")
focus_window "$box"
xdotool key Return
focus_window "$window"
xdotool key ctrl+Down ctrl+space                      # Ocean Voyage.RSN joins the selection
sleep 0.3

xdotool mousemove --window "$window" 228 265 click 1 # the name box
xdotool key ctrl+a
xdotool type --delay 20 "Road Trip"
xdotool mousemove --window "$window" 196 300 click 1 # Add File Contents

question=$(wait_window "Overwrite Existing File?")
focus_window "$question"
xdotool key Return                                    # Yes, the default button

for _ in $(seq 100); do
    cmp -s "$work/expected.m3u" "$folder/Road Trip.m3u" && break
    sleep 0.1
done
if ! cmp -s "$work/expected.m3u" "$folder/Road Trip.m3u"; then
    echo "expected:" >&2
    od -c "$work/expected.m3u" >&2
    echo "written:" >&2
    od -c "$folder/Road Trip.m3u" >&2
    fail "the playlist differs"
fi
[ ! -e "$folder/Road Trip" ] || fail "the name rule did not run before the build"
kill -0 "$pid" || fail "the program ended ($(cat "$work/log"))"
echo "PASS"
