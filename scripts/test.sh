#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite.
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
BUILD_DIR="$build" "$top/scripts/build.sh"
cd "$build"
# Read only by a sanitizer build: leaks inside the system libraries are not ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$top/tests/sanitizer/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
