#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR HAS_WINDOW_PROGRAM(0|1)
# Installs the build into a scratch prefix and checks what the desktop needs from it.
set -euo pipefail

build=$1
has_window=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! log=$(cmake --install "$build" --prefix "$prefix" 2>&1); then
    echo "$log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi

desktop=$prefix/share/applications/q417host.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/q417host.svg
mime=$prefix/share/mime/packages/q417host.xml

programs=(q417cli q417sim)
[ "$has_window" = 1 ] && programs+=(q417host)
for p in "${programs[@]}"; do
    [ -x "$prefix/bin/$p" ] || fail "bin/$p not installed"
done
for f in "$desktop" "$icon" "$mime"; do
    [ -s "$f" ] || fail "${f#"$prefix"/} not installed"
done
[ "$failures" -eq 0 ] || exit 1

# desktop-file-validate exits non-zero on errors; its warnings count as failures too (hints,
# such as two main categories, do not).
if ! out=$(desktop-file-validate "$desktop" 2>&1); then
    fail "desktop-file-validate: $out"
elif grep -Eq 'error:|warning:' <<< "$out"; then
    fail "desktop-file-validate: $out"
fi
xmllint --noout "$icon" || fail "icon is not well-formed XML"
xmllint --noout "$mime" || fail "mime package is not well-formed XML"

value() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(value Exec)" = "q417host %f" ] || fail "Exec is '$(value Exec)'"
[ "$(value Icon).svg" = "$(basename "$icon")" ] || fail "Icon '$(value Icon)' names no installed icon"
[ "$(value MimeType)" = "application/x-q417-sites;" ] || fail "MimeType is '$(value MimeType)'"

# Build the mime database of the scratch prefix, as the desktop does after an install: the
# type must be known, a kind of text, and take .ini files only below the default weight (50),
# so the programs that already open them keep them.
# (Its note that the scratch prefix is not on XDG_DATA_DIRS is expected and kept quiet.)
out=$(update-mime-database "$prefix/share/mime" 2>&1) || fail "update-mime-database: $out"
grep -qx '10:application/x-q417-sites:\*\.ini' "$prefix/share/mime/globs2" ||
    fail "globs2 lacks *.ini at weight 10: $(grep q417 "$prefix/share/mime/globs2" || true)"
grep -qx 'application/x-q417-sites text/plain' "$prefix/share/mime/subclasses" ||
    fail "application/x-q417-sites is no sub-class of text/plain"
grep -qx 'application/x-q417-sites:text-x-generic' "$prefix/share/mime/generic-icons" ||
    fail "the type has no generic icon"
grep -q '<comment>Q417 Document</comment>' "$prefix/share/mime/application/x-q417-sites.xml" ||
    fail "the type's comment is not 'Q417 Document'"

[ "$failures" -eq 0 ] || exit 1
echo "installed: all files present and valid"
