#!/usr/bin/env bash
# What the build reads from the changelog's top entry: the version, the maintainer and the
# date, the date's seconds checked against date(1). A changelog without them stops the build.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# entry FIRST_LINE TRAILER: a changelog of one entry, and an older one below it.
entry() {
    printf '%s\n\n  * A change.\n\n%s\n\n' "$1" "$2"
    printf 'q417host (1.10) unstable; urgency=low\n\n  * Older.\n\n'
    printf ' -- Old Name <old@example.org>  Mon, 01 Jun 2026 10:00:00 +0000\n'
}
read_release() { cmake -DQ417_CHANGELOG="$work/changelog" -P "$here/print_release.cmake" 2>&1; }

# version | day of the trailer | expected date
while IFS='|' read -r version day iso; do
    entry "q417host ($version) unstable; urgency=medium" \
        " -- A Maintainer <a@example.org>  $day 23:45:00 +0000" > "$work/changelog"
    expected="$version|A Maintainer <a@example.org>|$iso|$(date -u -d "$iso" +%s)"
    got=$(read_release) || { echo "FAIL: $version, $day: $got" >&2; failures=$((failures + 1)); continue; }
    [ "$got" = "$expected" ] || { echo "FAIL: got '$got', want '$expected'" >&2; failures=$((failures + 1)); }
done <<'TABLE'
1.20|Wed, 09 Dec 2026|2026-12-09
1.21|Thu, 29 Feb 2024|2024-02-29
2.0|Wed, 01 Jan 2025|2025-01-01
2.0.1|Sat, 28 Feb 2026|2026-02-28
3.1|Mon, 01 Mar 2100|2100-03-01
1.20|Fri, 31 Dec 1999|1999-12-31
TABLE

# first line | trailer | what the error names
while IFS='|' read -r first trailer reason; do
    entry "$first" "$trailer" > "$work/changelog"
    if got=$(read_release); then
        echo "FAIL: accepted '$first' / '$trailer': $got" >&2
        failures=$((failures + 1))
    elif ! grep -q "$reason" <<< "$got"; then
        echo "FAIL: '$first' / '$trailer' stopped without '$reason': $got" >&2
        failures=$((failures + 1))
    fi
done <<'TABLE'
q417host (one) unstable; urgency=medium| -- A <a@example.org>  Wed, 09 Dec 2026 10:00:00 +0000|names no version
other (1.20) unstable; urgency=medium| -- A <a@example.org>  Wed, 09 Dec 2026 10:00:00 +0000|names no version
q417host (1.20) unstable; urgency=medium| -- A <a@example.org>  Wed, 09 Dex 2026 10:00:00 +0000|unknown month
q417host (1.20) unstable; urgency=medium| -- A  Wed, 09 Dec 2026 10:00:00 +0000|top entry has no
q417host (1.20) unstable; urgency=medium| -- A <a@example.org>  Wed, 9 Dec 2026 10:00:00 +0000|top entry has no
TABLE

[ "$failures" -eq 0 ] || exit 1
echo "changelog: every release read, every bad entry refused"
