#!/usr/bin/env bash
# Configures and builds Varnoth into build/ (or $BUILD_DIR), with any extra CMake options given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
. "$root/scripts/launcher.sh"
use_compiler_launcher
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher_options[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
