#!/bin/sh
# Fails when a C++ source differs from the house format (.clang-format).
set -e
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
DORVAK_EXTRA_PACKAGES="clang-format" ./scripts/deps.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format: 1 passed, 0 failed"
