#!/usr/bin/env bash
# Starts the simulated readout on a pseudo-terminal, probes it with q417cli and downloads its
# sites into a site file, so a newcomer sees a readout answer without any hardware.
set -euo pipefail
build=${1:-build}
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
