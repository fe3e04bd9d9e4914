#!/usr/bin/env bash
# Builds Harvestor (release) and starts it with the options given.
set -euo pipefail
cd "$(dirname "$0")"
# Build output goes to stderr: stdout belongs to the program (headless runs print found files).
scripts/setup.sh >&2
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHARVESTOR_BUILD_TESTS=OFF >/dev/null
cmake --build build/release >&2
# Without a display the program runs headless: give it -site URL (and -mode 1..3).
exec build/release/bin/harvestor "$@"
