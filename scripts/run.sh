#!/usr/bin/env bash
# Installs what playing needs, builds the game alone (no test programs) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" play
build=${BUILD_DIR:-$root/build-game}
BUILD_DIR=$build "$root/scripts/build.sh" -DVARNOTH_TESTS=OFF
exec "$build/varnoth" "$@"
