#!/bin/sh
# Installs what is missing, builds, starts the controller simulator on a
# virtual serial port and opens DORVAK Admin on it: press the connect button.
# Closing the window stops the simulator.
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
# Only what the demo runs: the tests and the benchmark are left for
# scripts/test.sh.
BUILD_DIR="$build" "$top/scripts/build.sh" dorvak-admin dorvak-sim

out="$(mktemp)"
"$build/sim/dorvak-sim" "$@" > "$out" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$out"' EXIT INT TERM
tries=0
while [ ! -s "$out" ] && [ $tries -lt 50 ]; do sleep 0.1; tries=$((tries + 1)); done
port="$(head -n 1 "$out")"
echo "Simulador DORVAK en $port"
"$build/src/dorvak-admin" "$port"
