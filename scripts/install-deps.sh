#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing. Never prompts:
# CI runs this without a terminal.
set -euo pipefail

packages=(
    build-essential
    cmake
    ninja-build
    libgtest-dev
    libgmock-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "error: need root or sudo to install: ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo -n)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
