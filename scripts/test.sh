#!/usr/bin/env bash
# Installs what is missing, builds the tool and the tests in ./build (or $BUILD_DIR), which the
# run command shares, and runs every test through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" -DQUORVANE_BUILD_TESTS=ON
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
