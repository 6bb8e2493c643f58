#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Builds Marrowfen and runs every test (installing what they need): once in a
# plain build (preset dev), with the Debian package's checks and the Windows
# library under wine beside it; then the licence and formatting checks; then
# under AddressSanitizer and UndefinedBehaviorSanitizer (preset sanitize),
# with the fuzz build beside it; last, each libFuzzer target runs for a
# minute (preset fuzz). MARROWFEN_QUICK=1 skips the sanitizer build and the
# fuzzing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" g++ cmake ninja-build qt6-base-dev qt6-multimedia-dev libgme-dev libsndfile1-dev \
    pulseaudio pulseaudio-utils dbus playerctl flac \
    python3 python3-rarfile libarchive-tools libarchive-dev pkg-config \
    xvfb xauth xdotool tmux \
    desktop-file-utils appstream dpkg-dev file lintian \
    g++-mingw-w64-x86-64-posix wine wine64 \
    clang clang-format libclang-rt-14-dev reuse ccache
jobs=$(nproc)
cd "$root"
# The builds share their compiled objects through ccache, wherever the clone lies.
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$root"

# Each step says when it starts, so a slow one shows in the log.
step() { echo "== $* (at $((SECONDS / 60))m$((SECONDS % 60))s)"; }

# Checks that need little of the processor run beside a suite, at the lowest
# priority so that the listening tests keep their real time; their output
# follows the suite's.
logs=$(mktemp -d)
trap 'jobs -p | xargs -r kill 2>/dev/null; rm -rf "$logs"' EXIT
beside=()
start_beside() { # name command...
    local name=$1
    shift
    nice -n 19 "$@" >"$logs/$name" 2>&1 &
    beside+=("$name:$!")
}
finish_beside() {
    local entry status=0
    for entry in "${beside[@]}"; do
        step "${entry%%:*} (run beside)"
        wait "${entry##*:}" || status=$?
        cat "$logs/${entry%%:*}"
        [ $status = 0 ] || { echo "${entry%%:*} failed"; exit 1; }
    done
    beside=()
}

build_preset() { # preset
    step "building preset $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}
test_preset() { # preset
    step "testing preset $1${beside[*]:+, beside it: ${beside[*]%%:*}}"
    ctest --preset "$1" -j "$jobs"
}

build_preset dev
start_beside package-check packaging/check.sh build
start_beside windows-check tests/windows/check.sh build
test_preset dev
finish_beside
step "licence information (reuse lint) and formatting (scripts/format.sh --check)"
reuse lint --quiet || { reuse lint | tail -n 20; exit 1; }
scripts/format.sh --check
if [ "${MARROWFEN_QUICK:-0}" != 1 ]; then
    build_preset sanitize
    start_beside fuzz-build fuzz/run.sh 0 "$root/build-fuzz"
    test_preset sanitize
    finish_beside
    step "fuzzing"
    fuzz/run.sh 60 "$root/build-fuzz"
fi
step "all passed"
