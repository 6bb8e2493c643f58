#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Runs a command beside its own sound server and session bus, so tests that
# play and record sound (or talk MPRIS) never hear or see each other, nor the
# desktop's: a private PulseAudio whose only output is a null sink
# ($MARROWFEN_TEST_SINK, 32,000 Hz stereo; record its ".monitor"), and a
# private D-Bus session bus. Both stop when the command ends, however it ends.
#   tests/support/with_sound.sh CMD [ARGS...]
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: $0 CMD [ARGS...]" >&2; exit 2; }
for tool in pulseaudio pactl dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/marrowfen-sound.XXXXXX") || exit 2
pulse_pid=
bus_pid=
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

export XDG_RUNTIME_DIR=$dir
export PULSE_RUNTIME_PATH=$dir/pulse PULSE_STATE_PATH=$dir/state
export PULSE_SERVER=unix:$dir/pulse.sock
# Clients never start a server of their own when this one is gone.
printf 'autospawn = no\n' >"$dir/client.conf"
export PULSE_CLIENTCONFIG=$dir/client.conf
# Anyone may connect (the socket is private); the clients still want a
# cookie, kept here rather than in a home folder that may not be writable.
head -c 256 /dev/urandom >"$dir/cookie"
export PULSE_COOKIE=$dir/cookie
export MARROWFEN_TEST_SINK=marrowfen_null
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"

dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" >/dev/null 2>"$dir/bus.log" &
bus_pid=$!
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus

# -n: no default script, so nothing but these two modules; --system=false
# keeps a root user's server private too.
pulseaudio -n --daemonize=no --system=false --use-pid-file=no --exit-idle-time=-1 \
    --disallow-exit --realtime=false --high-priority=false --log-level=error --log-target=stderr \
    -L "module-null-sink sink_name=$MARROWFEN_TEST_SINK rate=32000 channels=2 norewinds=1" \
    -L "module-native-protocol-unix auth-anonymous=1 auth-cookie-enabled=0 socket=$dir/pulse.sock" \
    >/dev/null 2>"$dir/pulse.log" &
pulse_pid=$!

# Should this script be killed outright (a test's timeout), nothing lingers.
script_pid=$$
(
    while kill -0 "$script_pid" 2>/dev/null; do sleep 1; done
    kill "$pulse_pid" "$bus_pid" 2>/dev/null
    rm -rf "$dir"
) >/dev/null 2>&1 </dev/null &

for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    kill -0 "$pulse_pid" 2>/dev/null || break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    echo "$0: the private sound server did not start:" >&2
    cat "$dir/pulse.log" >&2
    exit 2
fi
for _ in $(seq 50); do
    [ -S "$dir/bus" ] && break
    sleep 0.1
done
[ -S "$dir/bus" ] || { echo "$0: the private session bus did not start:" >&2; cat "$dir/bus.log" >&2; exit 2; }

"$@"
