#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks optimised in ./build-bench (or $BUILD_DIR)
# and runs every one of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_TESTS=OFF \
    -DQUORVANE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
for bench in "$build"/bench/bench_*; do
    [[ -f "$bench" && -x "$bench" ]] || continue
    "$bench" "$@"
done
