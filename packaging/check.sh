#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Checks the desktop integration and the Debian package of a finished build:
# validates the desktop entry and the AppStream data, builds the package with
# CPack, checks its fields and contents, unpacks it into a temporary root and
# starts the packaged program there (packaging/smoke-test.sh). Last, lintian
# must find no errors and no warnings (as a user without privileges: it warns
# when run as root).
#
# Usage: packaging/check.sh [BUILD_DIR]   (default: build/; configured and built)
# Needs: desktop-file-utils, appstream, dpkg-dev, file, lintian (scripts/test.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
app_id=io.github.marrowfen.Marrowfen

fail() { echo "packaging check: $*" >&2; exit 1; }
step() { echo "packaging check: $*"; }

[ -f "$build/CPackConfig.cmake" ] || fail "$build is not a configured build folder"

step "validating the desktop entry and the AppStream data"
desktop-file-validate "$root/data/$app_id.desktop"
appstreamcli validate --no-net --strict "$root/data/$app_id.metainfo.xml"

[ -x "$build/bin/marrowfen" ] || fail "the program is not built in $build/bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The steps run from a folder only its owner may enter, as a clone in a
# private folder has them do: none may rely on where it was started.
mkdir -m 0700 "$work/start"
cd "$work/start"

step "building the Debian package"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack failed"
fi
debs=("$work"/out/marrowfen_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}

step "checking $(basename "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = marrowfen ] || fail "Package is $(field Package)"
[ "$(field Section)" = sound ] || fail "Section is $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
[ -z "$(field Homepage)" ] || fail "unexpected Homepage: $(field Homepage)"
depends=$(field Depends)
# The package names alone, one a line (versions and alternatives dropped).
depends_names=$(sed 's/([^)]*)//g; s/|/,/g' <<<"$depends" | tr ',' '\n' | tr -d ' ')
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -qxF "$package" <<<"$depends_names" || fail "Depends lacks $package: $depends"
done
step "Depends: $depends"

# The package holds exactly the installed layout under /usr; the private
# folder is usr/lib/marrowfen (or usr/lib/<multiarch>/marrowfen when the build
# was configured for the prefix /usr).
dpkg-deb -c "$deb" | awk '{ print $6 $7 $8 }' | grep -v '/$' | sort >"$work/contents"
link=$(sed -n 's|^\./usr/bin/marrowfen->||p' "$work/contents")
case $link in
../lib/marrowfen/marrowfen | ../lib/*-*/marrowfen/marrowfen) ;;
*) fail "usr/bin/marrowfen is missing or does not lead to lib/.../marrowfen/marrowfen: '$link'" ;;
esac
private=./usr/${link#../}
private=${private%/marrowfen}
expected=(
    "./usr/bin/marrowfen->$link"
    "./usr/bin/marrowfen-playlist->$link-playlist"
    "./usr/bin/marrowfen-play->$link-play"
    "./usr/bin/marrowfen-export->$link-export"
    "$private/libunrar.so"
    "$private/marrowfen"
    "$private/marrowfen-playlist"
    "$private/marrowfen-play"
    "$private/marrowfen-export"
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/doc/marrowfen/changelog.gz"
    "./usr/share/doc/marrowfen/copyright"
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    "./usr/share/metainfo/$app_id.metainfo.xml"
)
for page in "$root"/packaging/man/*.1; do
    expected+=("./usr/share/man/man1/$(basename "$page").gz")
done
printf '%s\n' "${expected[@]}" | sort | diff -u - "$work/contents" || fail "the package's files differ from the expected layout"
if dpkg-deb -c "$deb" | awk '{ print $2 }' | grep -v '^root/root$'; then
    fail "files in the package not owned by root"
fi

step "unpacking the package and starting the packaged program"
dpkg-deb -x "$deb" "$work/root"
installed=$work/root/usr
desktop-file-validate "$installed/share/applications/$app_id.desktop"
grep -qx "Exec=marrowfen" "$installed/share/applications/$app_id.desktop" || fail "the desktop entry does not start marrowfen"
"$root/packaging/smoke-test.sh" "$installed"
step "starting the packaged command line"
mkdir "$work/music"
"$installed/bin/marrowfen-playlist" -q "$work/music" || fail "the packaged marrowfen-playlist failed on an empty folder"
"$installed/bin/marrowfen-playlist" --version | grep -qx "marrowfen-playlist [0-9.]*" || fail "marrowfen-playlist --version"
step "starting the packaged player"
"$installed/bin/marrowfen-play" --version | grep -qx "marrowfen-play [0-9.]*" || fail "marrowfen-play --version"
# Through the link it finds its library: an empty folder is then "nothing to play" (2), not a crash.
play_status=0
"$installed/bin/marrowfen-play" "$work/music" 2>"$work/play.log" || play_status=$?
[ $play_status -eq 2 ] && ! grep -q libunrar "$work/play.log" || fail "the packaged marrowfen-play: status $play_status, $(cat "$work/play.log")"
step "starting the packaged export"
# With its library found, an empty folder is nothing to export (status 2).
status=0
"$installed/bin/marrowfen-export" -q -o "$work/albums" "$work/music" 2>"$work/export.log" || status=$?
[ "$status" -eq 2 ] && grep -q "Nothing to export" "$work/export.log" \
    || fail "the packaged marrowfen-export did not run: $(cat "$work/export.log")"
"$installed/bin/marrowfen-export" --version | grep -qx "marrowfen-export [0-9.]*" || fail "marrowfen-export --version"

step "running lintian"
lintian=(lintian --fail-on error,warning --display-info --pedantic "$deb")
if [ "$(id -u)" -eq 0 ]; then
    chmod a+rx "$work" "$work/out"
    lintian=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/nonexistent "${lintian[@]}")
fi
# From the package's own folder: the clone may lie where that user cannot enter.
(cd "$work" && "${lintian[@]}") || fail "lintian reports errors or warnings"
step "all passed"
