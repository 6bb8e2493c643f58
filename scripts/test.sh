#!/usr/bin/env bash
# Builds Marrowfen and runs every test (installing what they need): once in a
# plain build, with the Debian package's checks, then under AddressSanitizer
# and UndefinedBehaviorSanitizer; last, each libFuzzer target runs for a
# minute. MARROWFEN_QUICK=1 skips the sanitizer build and the fuzzing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" g++ cmake ninja-build qt6-base-dev \
    python3 python3-rarfile libarchive-tools libarchive-dev pkg-config \
    xvfb xauth xdotool \
    desktop-file-utils appstream dpkg-dev file lintian \
    clang libclang-rt-14-dev
jobs=$(nproc)

run_suite() { # build-folder, extra cmake options...
    local build=$1
    shift
    cmake -S "$root" -B "$build" -G Ninja -DBUILD_TESTING=ON -DMARROWFEN_WERROR=ON "$@" >/dev/null
    cmake --build "$build" -j "$jobs"
    (cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 300)
}

run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARROWFEN_BENCH=ON
"$root/packaging/check.sh" "$root/build"
if [ "${MARROWFEN_QUICK:-0}" != 1 ]; then
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_suite "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DMARROWFEN_SANITIZE=ON -DMARROWFEN_BENCH=OFF
    "$root/fuzz/run.sh" 60 "$root/build-fuzz"
fi
