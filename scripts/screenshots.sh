#!/bin/sh
# Screenshots of DORVAK Admin against the controller simulator, on a virtual
# X display: start, connected with "Print DB", the downloaded users, the event
# log and the parameters, an import's verdict and Nuevo's question, the
# history and the chart, then every tab at 1000x800 and on a 1366x768 screen
# (1366x700 beside a panel and a title bar) with the console and the
# developers' row. Usage: scripts/screenshots.sh [DIR] (default docs/).
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
dir="$(cd "${1:-$top/docs}" && pwd)"
DORVAK_EXTRA_PACKAGES="xvfb xauth" "$top/scripts/deps.sh"
BUILD_DIR="$build" "$top/scripts/build.sh" dorvak-screens dorvak-sim > /dev/null
xvfb-run -a -s "-screen 0 1400x860x24" env QT_QPA_PLATFORM=xcb "$build/docs/tools/dorvak-screens" "$dir"
