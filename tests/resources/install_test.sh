#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR HAS_WINDOW_PROGRAM(0|1) SANITIZED(0|1)
# Installs the build into a scratch prefix and checks what the desktop needs from it; then
# builds the Debian package of the build, as make package does, and checks its file list.
set -euo pipefail

build=$(realpath "$1")
has_window=$2
sanitized=${3:-0}
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")
prefix=$(mktemp -d)
packages=$(mktemp -d)
trap 'rm -rf "$prefix" "$packages"' EXIT

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
metainfo=$prefix/share/metainfo/com.orvane.q417host.metainfo.xml

programs=(q417cli q417sim)
[ "$has_window" = 1 ] && programs+=(q417host)
for p in "${programs[@]}"; do
    [ -x "$prefix/bin/$p" ] || fail "bin/$p not installed"
done
for f in "$desktop" "$icon" "$mime" "$metainfo"; do
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
# Each drawn icon is as large as the folder it lies in says.
for png in "$prefix"/share/icons/hicolor/*x*/apps/q417host.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "${png#"$prefix"/}: $(file -b "$png")"
done
xmllint --noout "$mime" || fail "mime package is not well-formed XML"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"

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
# A sanitizer's build is never packaged: its programs name their sources by design.
[ "$has_window" = 1 ] && [ "$sanitized" = 0 ] || exit 0

# The package: exactly the files of package_files.txt, at /usr, named for the programs' version.
if ! log=$(cpack -G DEB --config "$build/CPackConfig.cmake" -B "$packages" 2>&1); then
    echo "$log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
version=$("$build/q417cli" --version | sed -n 's/^q417cli //p')
deb=$packages/q417host_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb"): $(ls "$packages")" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\.||')
listed=$(grep -v '/$' <<< "$contents" | LC_ALL=C sort)
if ! difference=$(diff <(cat "$here/package_files.txt") <(echo "$listed")); then
    fail "the package's files differ from package_files.txt (< missing, > extra):
$difference"
fi
grep -q '^/usr/local' <<< "$contents" && fail "the package lays files under /usr/local"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = q417host ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version '$(field Version)' is not the programs' $version"
# Computed by dpkg-shlibdeps from the programs: the C library and Qt's widgets at least.
depends=$(field Depends)
depended=$(tr ',' '\n' <<< "$depends" | sed 's/^ *//; s/ .*//')
for library in libc6 libstdc++6 libqt6widgets6 libqt6serialport6 libqt6charts6; do
    grep -qxF "$library" <<< "$depended" || fail "Depends lacks $library: $depends"
done

# Nothing of the build tree: no path into it or into the sources in any file (a run path, a
# debugging section, a file name compiled in), and the programs are stripped.
dpkg-deb -x "$deb" "$packages/root"
for tree in "$build" "$source_dir"; do
    if found=$(grep -rlF "$tree" "$packages/root"); then
        fail "files name the tree $tree: $found"
    fi
done
for p in q417host q417cli q417sim; do
    readelf -S "$packages/root/usr/bin/$p" | grep -q '\.debug_info' && fail "bin/$p is not stripped"
    readelf -d "$packages/root/usr/bin/$p" | grep -Eq 'RPATH|RUNPATH' && fail "bin/$p keeps a run path"
done

[ "$failures" -eq 0 ] || exit 1
echo "package: $(basename "$deb") holds exactly the listed files, Depends: $depends"
