#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Listening as a user does it: start the program in a folder of archives,
# preview the tone archive with the keyboard, press Enter on its first track,
# and hear the three tones one after the other at their frequencies, while
# the desktop's media controls (playerctl) see what plays. Run through
# xvfb-run and tests/support/with_sound.sh; $1 is the built program, $2 the
# demo folder maker, $3 the tone listener.
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
program=$1
make_folder=$2
hear=$3

folder="$work/Music"
mkdir "$folder"
"$make_folder" "$folder" --tones

cd "$folder"
"$program" >"$work/log" 2>&1 &
pid=$!
window=$(wait_window Marrowfen)
focus_window "$window"

# The folder list has the focus. Tab Tab: the file list; End: its last
# archive, Tones.rsn, previewed. Tab: the preview list, on its first track.
xdotool key Tab Tab End
sleep 0.5
xdotool key Tab Home
sleep 0.3

# Three tones of 2 s each, with room on both sides.
"$hear" 9 >"$work/tones" 2>"$work/hear.log" &
hear_pid=$!
for _ in $(seq 100); do
    grep -q '^recording$' "$work/tones" && break
    kill -0 "$hear_pid" 2>/dev/null || fail "the recording did not start ($(cat "$work/hear.log"))"
    sleep 0.1
done
grep -q '^recording$' "$work/tones" || fail "the recording did not start"
xdotool key Return

sleep 1
players=$(playerctl -l 2>&1) || true
grep -qx marrowfen <<<"$players" || fail "playerctl does not see the program: $players"
status=$(playerctl -p marrowfen status 2>&1) || true
[ "$status" = Playing ] || fail "playerctl says \"$status\""
title=$(playerctl -p marrowfen metadata xesam:title 2>&1) || true
[ "$title" = Low ] || fail "playerctl's title is \"$title\", expected Low"
identity=$(gdbus call --session --dest org.mpris.MediaPlayer2.marrowfen --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2 Identity 2>&1) || true
[ "$identity" = "(<'Marrowfen'>,)" ] || fail "the identity is $identity"

wait "$hear_pid" || fail "the recording failed ($(cat "$work/hear.log"))"
# Each tone within 3% of its frequency, about 2 s long, the next one
# following it without a gap.
awk '
    NR == 1 { next }
    {
        n++; hz[n] = $1; start[n] = $2; len[n] = $3
    }
    END {
        split("500 1000 2000", want, " ")
        if (n != 3) { print "heard " n " tones, expected 3"; exit 1 }
        for (i = 1; i <= 3; i++) {
            if (hz[i] < want[i] * 0.97 || hz[i] > want[i] * 1.03) { print "tone " i " at " hz[i] " Hz"; exit 1 }
            if (len[i] < 1900 || len[i] > 2100) { print "tone " i " lasts " len[i] " ms"; exit 1 }
            if (i > 1 && start[i] - (start[i - 1] + len[i - 1]) > 30) { print "a gap before tone " i; exit 1 }
        }
    }' "$work/tones" >"$work/verdict" || fail "$(cat "$work/verdict"); heard: $(tail -n +2 "$work/tones" | tr '\n' ';')"
kill -0 "$pid" || fail "the program ended ($(cat "$work/log"))"
echo "PASS"
