#!/usr/bin/env bash
# Starts the window against a simulated readout, so a newcomer sees it work without any
# hardware. Without a display it says so and runs the headless demo instead: the simulated
# readout on a pseudo-terminal, probed by q417cli, its sites downloaded into a site file.
set -euo pipefail
build=${1:-build}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting $build/q417host --simulate (a simulated readout inside the window)"
    exec "$build/q417host" --simulate
fi
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open."
echo "Running the headless demo instead; on a desktop, 'make run' opens the window."
echo
link="$build/q417sim.tty"

"$build/q417sim" --link "$link" > "$build/q417sim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
    [ -e "$link" ] && break
    sleep 0.1
done
echo "Simulated readout on $(head -n1 "$build/q417sim.out") (also $link)"
"$build/q417cli" --device "$link" probe
echo
"$build/q417cli" --device "$link" download --out "$build/demo-sites.ini"
echo "First sites of $build/demo-sites.ini:"
head -n 3 "$build/demo-sites.ini" | tr -d '\r'
echo
