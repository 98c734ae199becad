#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite.
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
BUILD_DIR="$build" "$top/scripts/build.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
