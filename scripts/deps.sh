#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Installs those of the Debian packages named on the command line that are
# missing (through sudo when not root). Prints nothing when all are there.
set -euo pipefail
missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]})) || exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
