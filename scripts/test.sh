#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Builds Marrowfen and runs every test (installing what they need): once in a
# plain build (preset dev), with the Debian package's checks and the Windows
# library under wine; then the licence and formatting checks; then under
# AddressSanitizer and UndefinedBehaviorSanitizer (preset sanitize); last,
# each libFuzzer target runs for a minute (preset fuzz). MARROWFEN_QUICK=1
# skips the sanitizer build and the fuzzing.
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

run_suite() { # preset
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
    ctest --preset "$1" -j "$jobs"
}

run_suite dev
packaging/check.sh build
tests/windows/check.sh build
echo "source checks: licence information (reuse lint) and formatting (scripts/format.sh --check)"
reuse lint --quiet || { reuse lint | tail -n 20; exit 1; }
scripts/format.sh --check
if [ "${MARROWFEN_QUICK:-0}" != 1 ]; then
    run_suite sanitize
    fuzz/run.sh 60 "$root/build-fuzz"
fi
