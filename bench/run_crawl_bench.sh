#!/usr/bin/env bash
# Configures a release build with the benchmarks, builds crawl_bench and runs it: the crawl
# engine beside wget on a generated 2000-page site served by a private nginx on 127.0.0.1.
# Usage: bench/run_crawl_bench.sh [crawl_bench options, e.g. --runs 5 --pages 4000]
# BUILD_DIR (default build/bench) chooses the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build/bench}

# The build's packages, and the server and the crawler it compares with.
scripts/setup.sh nginx wget

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHARVESTOR_BUILD_BENCH=ON \
  -DHARVESTOR_BUILD_TESTS=OFF -DHARVESTOR_BUILD_APP=OFF >/dev/null
cmake --build "$build_dir" --target crawl_bench -j2
"$build_dir/bench/crawl_bench" "$@"
