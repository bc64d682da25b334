#!/usr/bin/env bash
# Installs what is missing, builds the tool without the tests, and starts it through start.sh;
# arguments go to the application.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" -DQUORVANE_BUILD_TESTS=OFF
exec "$root/scripts/start.sh" "$@"
