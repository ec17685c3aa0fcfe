#!/usr/bin/env bash
# Installs what is missing, builds Varnoth and runs the whole test suite: the unit and
# widget tests on Qt's offscreen platform and the real-window tests under Xvfb, then the
# static checks, then the same suite again built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

echo "== Build and test"
"$root/scripts/build.sh"
(cd "${BUILD_DIR:-$root/build}" && ctest --output-on-failure)

echo "== Static checks"
"$root/scripts/lint.sh"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR="$root/build-asan" "$root/scripts/build.sh" -DVARNOTH_SANITIZE=ON
# Leaks in third-party libraries that we cannot fix are listed, with reasons, in tests/lsan.supp.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
(cd "$root/build-asan" && ctest --output-on-failure)
