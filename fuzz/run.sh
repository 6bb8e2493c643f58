#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Builds the libFuzzer targets (preset fuzz, clang) and runs each for a
# bounded time.
#   fuzz/run.sh [seconds per target] [build folder]
# With 0 seconds it only builds the targets and their seeds.
# Regression inputs (tests/robustness/regressions) are replayed first. The
# corpus grows in <build>/fuzz-corpus; crashes land in <build>/fuzz-artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
targets=(fuzz_unrar fuzz_listing fuzz_unpack fuzz_playlist fuzz_render)

(cd "$root" && cmake --preset fuzz -B "$build" >/dev/null)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" fuzz_make_seeds

seeds=$build/fuzz-seeds
track_seeds=$build/fuzz-seeds-spc
mkdir -p "$seeds" "$track_seeds"
"$build/bin/fuzz_make_seeds" "$seeds" "$track_seeds" >/dev/null
[ "$seconds" != 0 ] || exit 0
real=$root/../shared/real-rar
more_real=$root/../shared/more-real-rar
regressions=$root/tests/robustness/regressions

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1

fuzz_one() { # target: replay the regression inputs, then fuzz
    local target=$1
    local corpus=$build/fuzz-corpus/$target artifacts=$build/fuzz-artifacts/$target
    mkdir -p "$corpus" "$artifacts"
    if compgen -G "$regressions/*" >/dev/null; then
        "$build/bin/$target" -runs=1 "$regressions"/* >/dev/null 2>&1 \
            || { echo "$target fails on a regression input"; return 1; }
    fi
    local sources=("$seeds") options=(-max_len=65536 -dict="$root/fuzz/rar.dict")
    [ -d "$real" ] && sources+=("$real")
    [ "$target" = fuzz_unpack ] && [ -d "$more_real" ] && sources+=("$more_real")
    # The playlist reader starts from playlists, not archives.
    [ "$target" = fuzz_playlist ] && sources=("$root/fuzz/playlists") options=(-max_len=65536 -dict="$root/fuzz/playlist.dict")
    # The renderer starts from tracks; an SPC file is 64 KiB of RAM and a little more.
    [ "$target" = fuzz_render ] && sources=("$track_seeds") options=(-max_len=70000)
    # Unpacking is the slowest per input by far: it keeps a core while the
    # others share what is left.
    local priority=(nice -n 19)
    [ "$target" = fuzz_unpack ] && priority=()
    "${priority[@]}" "$build/bin/$target" "$corpus" "${sources[@]}" \
        -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 "${options[@]}" \
        -artifact_prefix="$artifacts/" -print_final_stats=1 \
        2>"$artifacts/log.txt" || { echo "$target found a fault:"; tail -n 60 "$artifacts/log.txt"; return 1; }
    echo "== $target: ${seconds}s, regression inputs replayed"
    grep -E '^stat::number_of_executed_units|cov: ' "$artifacts/log.txt" | tail -n 2 || true
}

# The targets run side by side.
pids=()
for target in "${targets[@]}"; do
    fuzz_one "$target" &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
exit $status
