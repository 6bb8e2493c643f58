#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT

# Gives every tracked source, script and build file the licence header it
# lacks: the SPDX copyright and licence lines in the file's own comment
# syntax, at the top (after a #! line). Files that hold no comments (data,
# JSON, Markdown, images, archives) get theirs from .reuse/dep5; `reuse lint`
# checks the whole tree.
#   scripts/spdx.sh           add the lines where they are missing
#   scripts/spdx.sh --check   list the files lacking them; fail if any do
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
[ "${1:-}" = --check ] && check=1

tag=SPDX # apart, so that this script's own text is not read as a header
copyright="$tag-FileCopyrightText: 2026 The Marrowfen developers"
licence="$tag-License-Identifier: MIT"

# Prints the comment's opening, its closing and the line that separates the
# header from the rest, joined by "|"; nothing for files without a known
# comment syntax.
comment_syntax() {
    case $1 in
    *.cpp | *.h) echo '// ||' ;;
    */CMakeLists.txt | CMakeLists.txt | *.cmake | *.sh | *.py | *.desktop | *.dict | .gitignore | */.gitignore | .clang-format)
        echo '# ||' ;;
    *.def) echo '; ||' ;;
    *.map) echo '/* | */|' ;;
    *.1) echo '.\" ||.\"' ;; # a blank line would print in a manual page
    *) if [ "$(head -c 2 "$1")" = '#!' ]; then echo '# ||'; fi ;;
    esac
}

lacking=()
while IFS= read -r -d '' file; do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    syntax=$(comment_syntax "$file")
    [ -n "$syntax" ] || continue
    head -n 5 "$file" | grep -qF "$licence" && continue
    lacking+=("$file")
    ((check)) && continue
    IFS='|' read -r open close separator <<<"$syntax"
    awk -v first="$open$copyright$close" -v second="$open$licence$close" \
        -v separator="$separator" '
        NR == 1 && /^#!/ { print; print first; print second; print separator; next }
        NR == 1 { print first; print second; print separator }
        { print }' "$file" >"$file.spdx"
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
done < <(git ls-files -z --cached --others --exclude-standard)

if ((check)); then
    ((${#lacking[@]} == 0)) && exit 0
    printf 'no licence header: %s\n' "${lacking[@]}" >&2
    echo "run scripts/spdx.sh to add them" >&2
    exit 1
fi
((${#lacking[@]} == 0)) || printf 'licence header added: %s\n' "${lacking[@]}"
