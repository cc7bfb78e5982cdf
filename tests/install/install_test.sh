#!/usr/bin/env bash
# install_test.sh BUILD_DIR SOURCE_DIR MIME_TYPE_TOOL VERSION: installs BUILD_DIR into a temporary
# prefix and checks the layout, the desktop entry, the MIME type, the man pages, the bash
# completion and the installed commands. Prints every problem; fails when there is one.
set -uo pipefail
build="$1" source="$2" mime_type="$3" version="$4"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$prefix" "$work"' EXIT
problems=0
fail() {
  echo "FAIL: $*"
  problems=$((problems + 1))
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; }

share="$prefix/share"
for file in bin/veltrix bin/veltrix-convert share/applications/veltrix.desktop \
  share/mime/packages/veltrix.xml share/man/man1/veltrix.1 share/man/man1/veltrix-convert.1 \
  share/bash-completion/completions/veltrix-convert; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
for program in veltrix veltrix-convert; do
  [ -x "$prefix/bin/$program" ] || fail "not executable: bin/$program"
  # --version needs no display, also for the window.
  [ "$("$prefix/bin/$program" --version 2>&1)" = "$program $version" ] ||
    fail "bin/$program --version does not print '$program $version'"
done
for size in 16 24 32 48 64 128 256; do
  icon="$share/icons/hicolor/${size}x$size/apps/veltrix.png"
  [ -f "$icon" ] || { fail "no ${size}x$size icon"; continue; }
  # The PNG header holds the width and height as big-endian words at bytes 16 and 20.
  [ "$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "the ${size}x$size icon has another size"
done

desktop="$share/applications/veltrix.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate is not installed; the desktop entry is not validated"
fi
grep -qx "Exec=veltrix %f" "$desktop" || fail "the desktop entry does not run 'veltrix %f'"
grep -qx "Icon=veltrix" "$desktop" || fail "the desktop entry names another icon"
grep -qx "MimeType=application/x-tarvik-qx;" "$desktop" || fail "the desktop entry's MimeType"

# The MIME type as a desktop sees it: by name, and by content for a log with another name.
if command -v xmllint >/dev/null; then
  xmllint --noout "$share/mime/packages/veltrix.xml" || fail "xmllint on the MIME type"
fi
if command -v update-mime-database >/dev/null; then
  XDG_DATA_DIRS="$share" update-mime-database "$share/mime" || fail "update-mime-database"
  cp "$source/examples/tarvik-g.qx" "$work/g.qx"
  cp "$source/examples/tarvik-g.qx" "$work/g-log"
  cp "$source/examples/tarvik-b.qx" "$work/b-log"
  printf 'QXA \000\001\002\003' >"$work/a-log"
  head -c 64 /dev/zero >"$work/zero-log"
  printf 'QXA_\000\001\002\003' >"$work/almost-log"
  expected="application/x-tarvik-qx application/x-tarvik-qx application/x-tarvik-qx"
  expected+=" application/x-tarvik-qx"
  expected+=" application/octet-stream application/octet-stream"
  got="$(XDG_DATA_HOME="$work/none" XDG_DATA_DIRS="$share:/usr/share" "$mime_type" \
    "$work/g.qx" "$work/g-log" "$work/b-log" "$work/a-log" "$work/zero-log" "$work/almost-log" | xargs)"
  [ "$got" = "$expected" ] || fail "MIME types: got '$got', expected '$expected'"
else
  echo "update-mime-database is not installed; the MIME type is not tried"
fi

for page in veltrix veltrix-convert; do
  file="$share/man/man1/$page.1"
  warnings="$(groff -man -ww -z -Tutf8 "$file" 2>&1)"
  [ -z "$warnings" ] || fail "groff warns on $page.1: $warnings"
done

# The completion offers every long option of --help and nothing else, the delimiter names, and
# logs and folders for an input.
complete_words() {
  (
    cd "$work/files" || exit 1
    source "$share/bash-completion/completions/veltrix-convert"
    COMP_WORDS=(veltrix-convert "$@")
    COMP_CWORD=$#
    _veltrix_convert
    printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
  )
}
mkdir -p "$work/files/logs"
touch "$work/files/a.qx" "$work/files/b.QX" "$work/files/notes.txt"
help_options="$("$prefix/bin/veltrix-convert" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u | xargs)"
completed="$(complete_words -- | tr ' ' '\n' | grep -- '^--' | sort -u | xargs)"
[ "$completed" = "$help_options" ] ||
  fail "completed options '$completed' differ from --help's '$help_options'"
[ "$(complete_words -d s)" = "semicolon space" ] || fail "delimiter completion"
[ "$(complete_words --survey '')" = "a.qx b.QX logs" ] || fail "input completion"
[ "$(complete_words -o n)" = "notes.txt" ] || fail "output completion"
[ -z "$(complete_words --jobs '')" ] || fail "a number was completed with names"

[ "$problems" -eq 0 ] && echo "Installed layout, desktop entry, MIME type, man pages and completion are sound."
exit $((problems > 0))
