#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing. Never prompts:
# CI runs this without a terminal. An optional argument names an extra set on top of the
# build's: "fuzz" adds clang, its libFuzzer and sanitizer runtimes and llvm's coverage tools
# (make fuzz, make fuzz-coverage), "screenshot"
# the virtual X server and the tools that photograph the window (scripts/screenshot.sh),
# "package" lintian and the manual-page reader that make package and CI's trial of the
# package use.
set -euo pipefail

packages=(
    build-essential
    cmake
    ninja-build
    libgtest-dev
    libgmock-dev
    # JSON of q417cli and the simulator's state file, and the tests that read it back.
    nlohmann-json3-dev
    # The window: Qt Widgets with printing, serial-port enumeration, the SVG icon plugin, the
    # X11 platform plugin for a real desktop, and a font for the offscreen tests.
    qt6-base-dev
    qt6-serialport-dev
    qt6-svg-dev
    # The plot of readings over time; Qt Charts' CMake package needs Qt OpenGL's.
    qt6-charts-dev
    libqt6opengl6-dev
    libqt6svg6
    qt6-qpa-plugins
    libgl-dev
    fonts-dejavu-core
    # The install test checks the desktop entry, the mime package and the software centre's
    # description that cmake --install lays, builds the mime database from them, and lists the
    # Debian package that cpack makes of the build (dpkg-shlibdeps needs file).
    desktop-file-utils
    libxml2-utils
    shared-mime-info
    appstream
    dpkg-dev
    file
    # The manual pages are scdoc text, turned into man format at build time.
    scdoc
    # CI checks every tracked source against the committed .clang-format.
    clang-format
)

case "${1:-}" in
    "") ;;
    fuzz) packages+=(clang libclang-rt-14-dev llvm) ;;
    screenshot) packages+=(xvfb xauth x11-utils imagemagick xdotool) ;;
    package) packages+=(lintian man-db) ;;
    *)
        echo "error: unknown package set '$1' (known: fuzz, screenshot, package)" >&2
        exit 2
        ;;
esac

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
