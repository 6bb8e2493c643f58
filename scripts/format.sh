#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Formats the tracked C++ files with clang-format and the style in
# .clang-format.
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   change nothing; fail and show where a file
#                               differs from the style (as CI does)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-i)
[ "${1:-}" = --check ] && mode=(--dry-run --Werror)
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --style=file "${mode[@]}"
