#!/usr/bin/env bash
# Starts the tool built in ./build (or $BUILD_DIR); arguments go to the application.
# The tool keeps its settings folder in the Documents folder that macOS gives every account and
# makes only that one folder itself; a fresh Debian account has none, so it is made here first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
mkdir -p "$HOME/Documents"
exec "$build/Sorvel Quorvane for Unity.app/Contents/MacOS/quorvane" "$@"
