#!/usr/bin/env bash
# Installs what is missing, builds Varnoth and runs the whole test suite in stages: the
# unit, widget and real-window tests; the static checks; the Debian package; the same suite
# again built with AddressSanitizer and UndefinedBehaviorSanitizer. A failing stage does not
# stop the others. Prints one line per stage, then "N passed, N failed" over the stages, and
# exits non-zero if any stage failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" test || exit 1

summary=() passed=0 failed=0 skipped=0
# stage NAME COMMAND...: runs one stage and records its outcome. A stage that prints a line
# starting "SKIP:" and exits 77 counts as skipped.
stage() {
    local name=$1 start status outcome log
    shift
    echo "== $name"
    start=$SECONDS
    log=$(mktemp)
    "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    if [ "$status" -eq 0 ]; then
        outcome=passed; passed=$((passed + 1))
        grep -q '^SKIP:' "$log" && outcome="passed, part skipped"
    elif [ "$status" -eq 77 ] && grep -q '^SKIP:' "$log"; then outcome=skipped; skipped=$((skipped + 1))
    else outcome="failed (exit $status)"; failed=$((failed + 1))
    fi
    rm -f "$log"
    summary+=("$(printf '%-28s %-18s %5d s' "$name" "$outcome" $((SECONDS - start)))")
}

build_and_test() {
    BUILD_DIR=$1 "$root/scripts/build.sh" "${@:2}" && (cd "$1" && ctest --output-on-failure)
}

sanitized() {
    # Leaks in third-party libraries that we cannot fix are listed, with reasons, in tests/lsan.supp.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
        build_and_test "$root/build-asan" -DVARNOTH_SANITIZE=ON
}

stage "build and test" build_and_test "$build"
stage "static checks" "$root/scripts/lint.sh"
# The .deb as scripts/package.sh builds it, checked by lintian, then installed with apt into
# a fresh Debian 12 root and started there; that last part prints SKIP: and does not fail
# the stage where no such root can be made.
stage "Debian package" "$root/tests/package/deb_test.sh" "$build"
stage "sanitizers (ASan, UBSan)" sanitized
# The Windows build under Wine: unit tests and whole games, the installer included. The
# first run on a machine builds the static Qt (scripts/build-qt-windows.sh) and caches it.
stage "Windows (Wine)" "$root/tests/wine/windows_test.sh" "$root/build-windows"

echo "== Summary"
printf '%s\n' "${summary[@]}"
echo "stages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
