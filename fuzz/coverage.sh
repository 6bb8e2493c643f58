#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Line and branch coverage of the archive library and the engine reached by
# the fuzzers' corpora: rebuilds the targets with source-based coverage
# (no sanitizers) and replays every corpus input once.
#   fuzz/coverage.sh [build folder of fuzz/run.sh]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
out=$build/fuzz-coverage
mkdir -p "$out"
rm -f "$out"/*.profraw

flags=(-std=c++20 -O1 -fPIC -fsanitize=fuzzer -fprofile-instr-generate -fcoverage-mapping
    -DMARROWFEN_UNRAR_BUILD -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -I"$root/unrar/include" -I"$root/unrar" -I"$root/engine")
unrar_sources=("$root"/unrar/*.cpp "$root"/unrar/unpack/*.cpp)
engine_sources=("$root"/engine/*.cpp)
read -r -a qt <<<"$(pkg-config --cflags --libs Qt6Core)"
clang++ "${flags[@]}" "$root/fuzz/fuzz_unrar.cpp" "${unrar_sources[@]}" -o "$out/fuzz_unrar"
clang++ "${flags[@]}" "$root/fuzz/fuzz_unpack.cpp" "${unrar_sources[@]}" -o "$out/fuzz_unpack"
clang++ "${flags[@]}" "$root/fuzz/fuzz_listing.cpp" "${unrar_sources[@]}" "${engine_sources[@]}" "${qt[@]}" \
    -o "$out/fuzz_listing"

for target in fuzz_unrar fuzz_listing fuzz_unpack; do
    corpora=("$build/fuzz-corpus/$target" "$build/fuzz-seeds")
    [ -d "$root/../shared/real-rar" ] && corpora+=("$root/../shared/real-rar")
    [ "$target" = fuzz_unpack ] && [ -d "$root/../shared/more-real-rar" ] && corpora+=("$root/../shared/more-real-rar")
    LLVM_PROFILE_FILE="$out/$target.profraw" "$out/$target" -runs=0 "${corpora[@]}" >/dev/null 2>&1
    llvm-profdata merge -sparse "$out/$target.profraw" -o "$out/$target.profdata"
    echo "== $target"
    sources=("${unrar_sources[@]}")
    [ "$target" = fuzz_listing ] && sources+=("${engine_sources[@]}")
    llvm-cov report "$out/$target" -instr-profile="$out/$target.profdata" "${sources[@]}"
done
