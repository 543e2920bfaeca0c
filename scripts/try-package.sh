#!/usr/bin/env bash
# Usage: try-package.sh PACKAGE.deb
# Installs the package with apt as a technician would, runs its programs from the installed
# paths, validates the installed desktop entry and software-centre description, then removes it
# and checks that nothing of it is left. Needs root (or sudo); CI runs it after make package.
set -euo pipefail

deb=$(realpath "${1:?usage: try-package.sh PACKAGE.deb}")
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo -n)
export DEBIAN_FRONTEND=noninteractive

if dpkg-query -W -f='${Status}' q417host 2>/dev/null | grep -q "install ok installed"; then
    echo "error: q417host is already installed here; remove it first" >&2
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
run() {
    echo "\$ $*"
    "$@" || fail "$* exited $?"
}

echo "== apt-get install $(basename "$deb")"
"${sudo[@]}" apt-get install -y -q "$deb"
files=$(dpkg-query -L q417host)
trap '"${sudo[@]}" apt-get remove -y -q q417host >/dev/null 2>&1 || true' EXIT

echo "== the installed programs"
run /usr/bin/q417cli --version
run /usr/bin/q417sim --help
QT_QPA_PLATFORM=offscreen run /usr/bin/q417host --version
run man -w q417cli
[ "$(man -w q417cli)" = /usr/share/man/man1/q417cli.1.gz ] || fail "man -w q417cli: $(man -w q417cli)"
man -w q417host q417sim > /dev/null || fail "q417host(1) or q417sim(1) is not found by man"

echo "== the installed desktop entry and description"
out=$(desktop-file-validate /usr/share/applications/q417host.desktop 2>&1) || fail "$out"
grep -Eq 'error:|warning:' <<< "$out" && fail "desktop-file-validate: $out"
echo "desktop-file-validate: ${out:-no complaint}"
metainfo=/usr/share/metainfo/com.orvane.q417host.metainfo.xml
run appstreamcli validate --no-net "$metainfo"
# The menu and the file type: the desktop's caches were brought up to date by the triggers of
# the packages that own them, without a script of ours.
grep -q 'q417host.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database does not offer q417host for its file type"
grep -q 'application/x-q417-sites' /usr/share/mime/types || fail "the mime database lacks the site file type"

echo "== apt-get remove q417host"
"${sudo[@]}" apt-get remove -y -q q417host
trap - EXIT
dpkg-query -W -f='${Status}' q417host 2>/dev/null | grep -q "installed" &&
    fail "q417host is still installed"
left=()
while IFS= read -r path; do
    # Directories are shared with other packages; only the package's files must be gone.
    [ -d "$path" ] && continue
    [ -e "$path" ] || [ -L "$path" ] && left+=("$path")
done <<< "$files"
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
[ -d /usr/share/doc/q417host ] && fail "/usr/share/doc/q417host is left behind"
grep -q 'q417host.desktop' /usr/share/applications/mimeinfo.cache 2>/dev/null &&
    fail "the desktop database still offers q417host"
grep -q 'application/x-q417-sites' /usr/share/mime/types && fail "the mime database still has the site file type"

[ "$failures" -eq 0 ] || exit 1
echo "package: installed, tried and removed without a trace"
