#!/usr/bin/env bash
# Builds Marrowfen (installing what the build needs) and starts it. It shares
# build/ with scripts/test.sh; each sets the options it relies on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" g++ cmake ninja-build qt6-base-dev
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DMARROWFEN_BENCH=OFF -DMARROWFEN_WERROR=OFF >/dev/null
cmake --build "$root/build" --target marrowfen unrar
exec "$root/build/bin/marrowfen" "$@"
