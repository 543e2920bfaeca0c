#!/usr/bin/env bash
# Photographs the window as it looks after a download from the simulated readout, for the
# README: starts a virtual X server, runs q417host --simulate, answers the download question,
# and saves the whole screen; then saves the list, selects three sites and photographs Plot
# Readings. Usage: scripts/screenshot.sh [build] [output.png] [plot.png]
set -euo pipefail
build=${1:-build}
out=${2:-docs/q417host.png}
plot=${3:-docs/q417host-plot.png}
scripts/install-deps.sh screenshot

display=:97
Xvfb "$display" -screen 0 1000x640x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill "$host" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do
    xdpyinfo > /dev/null 2>&1 && break
    sleep 0.1
done

# A settings store of its own, so the picture never depends on who runs the script.
XDG_CONFIG_HOME="$work" "$build/q417host" --simulate > "$work/host.log" 2>&1 &
host=$!

# Prints the id of the first visible window whose title matches TITLE_REGEX, waiting up to
# TRIES times 0.2 s for it; prints nothing when none came.
wait_for_window() {
    local title=$1 tries=$2 id=
    for _ in $(seq "$tries"); do
        id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n1) || true
        [ -n "$id" ] && break
        sleep 0.2
    done
    echo "$id"
}

# The download question comes once the readout's information has been read.
window=$(wait_for_window '^Q417 Host$' 100)
[ -n "$window" ] || { echo "error: the download question did not come" >&2; exit 1; }
sleep 0.5
xdotool windowfocus --sync "$window" key Return
sleep 3  # the download and the merge

main=$(xdotool search --onlyvisible --name ' - Q417 Host$' | head -n1)
xdotool windowmove "$main" 0 0 windowsize "$main" 1000 600
sleep 1
mkdir -p "$(dirname "$out")"
import -window root -crop 1000x600+0+0 "$out"
echo "Saved $out"

# Saved once, so the history beside the file holds the readings the plot draws.
xdotool windowfocus --sync "$main" key ctrl+s
sleep 1.5
xdotool type --delay 20 "$work/sites.ini"
xdotool key Return
sleep 1.5
# Sites 2 to 4: the first row sits 20 pixels below the header, one row every 20.
xdotool mousemove 60 106 click 1 keydown shift mousemove 60 146 click 1 keyup shift
sleep 0.5
xdotool key alt+v p
plotWindow=$(wait_for_window '^Plot Readings' 50)
[ -n "$plotWindow" ] || { echo "error: the plot did not open" >&2; exit 1; }
xdotool windowmove "$plotWindow" 0 0 windowsize "$plotWindow" 1000 640
sleep 2  # the history is read off the window's thread
import -window root -crop 1000x640+0+0 "$plot"
echo "Saved $plot"
