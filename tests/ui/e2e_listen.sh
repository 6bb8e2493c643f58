#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Listening as a user does it: in a folder of archives, preview the tone
# archive with the keyboard, press Enter on its first track, and hear the
# three tones in order while playerctl sees what plays; quit. Run through xvfb-run
# and tests/support/with_sound.sh; $1 is the built program, $2 the demo
# folder maker, $3 the tone listener.
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
mkdir "$work/Music"
"$2" "$work/Music" --tones
cd "$work/Music"
"$1" >"$work/log" 2>&1 &
pid=$!
window=$(wait_window Marrowfen)
focus_window "$window"
# From the folder list: the file list, its last archive (Tones.rsn), then
# the preview list's first track.
xdotool key Tab Tab End
sleep 0.5
xdotool key Tab Home
"$3" 9 500 1000 2000 >"$work/heard" 2>&1 &
heard=$!
for _ in $(seq 100); do grep -q recording "$work/heard" && break || sleep 0.1; done
grep -q recording "$work/heard" || fail "no recording: $(cat "$work/heard")"
xdotool key Return
sleep 1
[ "$(playerctl -p marrowfen status)" = Playing ] || fail "playerctl: $(playerctl -l 2>&1)"
[ "$(playerctl -p marrowfen metadata xesam:title)" = Low ] || fail "playerctl: $(playerctl metadata 2>&1)"
mpris() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.marrowfen /org/mpris/MediaPlayer2 "$@"; }
mpris org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:Identity |
    grep 'string "Marrowfen"' >/dev/null || fail "the media controls do not see the identity"
# Previewing another archive and writing a playlist meanwhile neither stop nor break the music.
xdotool mousemove --window "$window" 40 160 click 1 sleep 0.3 mousemove --window "$window" 196 300 click 1
wait "$heard" || fail "$(cat "$work/heard")"
[ -s "RSN Playlist.m3u" ] || fail "no playlist written"
# Quitting from the media controls while it plays closes the window and ends the program.
xdotool key Return
sleep 0.5
mpris org.mpris.MediaPlayer2.Quit >/dev/null
wait_exit "$pid"
pid=
[ "$exit_status" = 0 ] || fail "exit status $exit_status ($(cat "$work/log"))"
echo "PASS"
