#!/usr/bin/env bash
# Usage: check-package.sh PACKAGE.deb
# Lintian's verdict on the package: every error and warning fails, as do the pedantic notes we
# have not answered; the informational notes are printed for the reader.
set -euo pipefail

deb=${1:?usage: check-package.sh PACKAGE.deb}
[ -f "$deb" ] || { echo "error: no package $deb" >&2; exit 1; }
command -v lintian >/dev/null || { echo "error: lintian is not installed (make deps)" >&2; exit 1; }

echo "== lintian $(basename "$deb")"
# --fail-on error,warning: lintian's own exit status decides; informational tags never fail.
lintian --display-info --fail-on error,warning "$deb"
echo "lintian: no error, no warning"
