#!/usr/bin/env bash
# Builds Harvestor with its tests and runs every test.
# Environment: BUILD_DIR (default build/test), CMAKE_ARGS (extra configure arguments).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
build_dir=${BUILD_DIR:-build/test}
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
