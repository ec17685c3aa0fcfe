#!/usr/bin/env bash
# Installs what is missing, builds Varnoth and runs the whole test suite: the unit and
# widget tests on Qt's offscreen platform, and the real-window tests under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure
