#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Builds Marrowfen (installing what the build needs) and starts it: the
# release preset, in build-release/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" g++ cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev libgme-dev libsndfile1-dev
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release
exec "$root/build-release/bin/marrowfen" "$@"
