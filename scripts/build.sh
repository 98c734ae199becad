#!/bin/sh
# Configures and builds into build/ (or $BUILD_DIR): everything, or only the
# targets named (scripts/build.sh dorvak-admin dorvak-sim).
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
"$top/scripts/deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $CMAKE_ARGS
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
