#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window; arguments go to the application.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
exec "$build/Sorvel Quorvane for Unity.app/Contents/MacOS/quorvane" "$@"
