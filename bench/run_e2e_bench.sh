#!/usr/bin/env bash
# Configures a release build of the program with the benchmarks, builds the program and
# e2e_bench and runs it: the program itself, headless, beside wget -r and wget2 -r on a generated
# 2000-page site served by a private nginx on 127.0.0.1, with and without added latency.
# Usage: bench/run_e2e_bench.sh [e2e_bench options, e.g. --runs 5 --scenarios list,download]
# BUILD_DIR (default build/e2e) chooses the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build/e2e}

# The build's packages, and the server and the crawlers it compares with.
scripts/setup.sh nginx wget wget2

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHARVESTOR_BUILD_BENCH=ON \
  -DHARVESTOR_BUILD_TESTS=OFF -DHARVESTOR_BUILD_APP=ON >/dev/null
cmake --build "$build_dir" --target harvestor e2e_bench -j2
"$build_dir/bench/e2e_bench" --harvestor "$build_dir/bin/harvestor" "$@"
