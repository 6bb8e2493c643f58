#!/usr/bin/env bash
# Builds Marrowfen (installing what the build needs) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" g++ cmake ninja-build qt6-base-dev
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build" --target marrowfen unrar
exec "$root/build/bin/marrowfen" "$@"
