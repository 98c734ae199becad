#!/bin/sh
# Builds the libFuzzer targets with clang and the sanitizers, then runs each
# for SECONDS (default 60) on a scratch copy of its seed corpus in
# fuzz/corpus/. A find stops its target and leaves the input in build-fuzz/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build-fuzz}"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
DORVAK_EXTRA_PACKAGES="clang libclang-rt-14-dev" "$top/scripts/deps.sh"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DDORVAK_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
targets="${*:-fuzz_tool_lines}"
cmake --build "$build" -j"$(nproc)" --target $targets
status=0
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  cp "$top/fuzz/corpus/${t#fuzz_}/"* "$corpus/" 2>/dev/null || true
  echo "== $t: $seconds s"
  if (cd "$build" && "./fuzz/$t" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$corpus" > "$build/$t.log" 2>&1); then
    grep -E "^stat::number_of_executed_units|^Done" "$build/$t.log" | tail -n 2
  else
    echo "$t FOUND A FAULT: see $build/$t.log"; status=1
  fi
done
exit $status
