#!/bin/sh
# Configures and builds into build/ (or $BUILD_DIR).
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
"$top/scripts/deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $CMAKE_ARGS
cmake --build "$build" -j"$(nproc)"
