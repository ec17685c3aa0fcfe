#!/usr/bin/env bash
# Installs what is missing, builds Varnoth and runs the whole test suite, in stages that
# select the tests by their tier (a CTest label; see tests/CMakeLists.txt):
#   tests       build; the unit and widget tiers                      (ctest -L 'unit|widget')
#   desktop     real windows under X and Wayland, and Orca speaking   (ctest -L 'desktop|orca')
#   static      clang-tidy and cppcheck                               (scripts/lint.sh)
#   package     the install; the source package and the .deb built from it in a fresh root,
#               with lintian; the .deb installed with apt into a fresh root of this release
#               and started there; in unstable also autopkgtest and the .deb built again,
#               varied, to the same bytes                             (ctest -L package)
#   sanitizers  the unit, widget and desktop tiers and the install again, built with ASan
#               and UBSan
#   windows     the Windows build: its unit and widget tests and whole games under Wine,
#               the installer installed and removed                   (ctest -L wine);
#               the release files built again, varied, to the same bytes;
#               on Debian 12 in a cached Debian 13 root, where the Windows files are built
#   web         the web page, built where the Windows files are (its static Qt cached like
#               theirs), served and played in Debian's Chromium, headless  (ctest -L browser);
#               the page built again, varied, to the same bytes
#   debian13    (debian12 on a Debian 13 machine) the tests, desktop, static and package
#               stages again in a cached root of the other release (scripts/debian-root.sh),
#               where nothing may be skipped; Orca there in the game's own locale only
#   unstable    the same in a cached root of Debian unstable, where new versions of Qt, the
#               compilers, Orca and Debian's tools enter Debian first
#
#   test.sh             every stage; the static checks with the tools of Debian 13 and
#                       unstable only (on Debian 12 not with its own, which are older)
#   test.sh STAGE...    those stages only (installing only what they need)
#
# The test builds (not the release files, whose second build is compared byte for byte)
# compile through ccache, in a cache that every clone and root on this machine shares
# ($VARNOTH_CCACHE_DIR, default /var/cache/varnoth/ccache): a run after the first compiles
# only what changed.
#
# A failing stage does not stop the others. Prints one line per stage, then "N passed,
# N failed" over the stages, and exits non-zero if any stage failed. A stage in which a
# test was skipped (a tool not installed) says so; with VARNOTH_NO_SKIP=1 that fails it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}")
other_release=$([ "$release" = 13 ] && echo 12 || echo 13)
all_stages=(tests desktop static package sanitizers windows web "debian$other_release" unstable)
stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
    for stage in "${all_stages[@]}"; do
        [ "$stage $release" = "static 12" ] || stages+=("$stage")
    done
fi
for stage in "${stages[@]}"; do
    [[ " ${all_stages[*]} " == *" $stage "* ]] || { echo "usage: $0 [${all_stages[*]}]..." >&2; exit 2; }
done
[[ " ${stages[*]} " == *" windows "* || " ${stages[*]} " == *" web "* ]] && purpose=test || purpose=suite
"$root/scripts/install-deps.sh" "$purpose" || exit 1
ccache_dir=${VARNOTH_CCACHE_DIR:-/var/cache/varnoth/ccache}
{ mkdir -p "$ccache_dir" && [ -w "$ccache_dir" ]; } 2>/dev/null || ccache_dir=$HOME/.cache/varnoth-ccache

summary=() passed=0 failed=0 skipped=0
# stage NAME COMMAND...: runs one stage and records its outcome. A stage that prints a line
# starting "SKIP:" and exits 77 counts as skipped; one in which a test was skipped (its
# "SKIP:" line, or CTest's "Skipped") passes with "part skipped", or fails with VARNOTH_NO_SKIP=1.
stage() {
    local name=$1 start status outcome log
    shift
    echo "== $name"
    start=$SECONDS
    log=$(mktemp)
    "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    if [ "$status" -eq 0 ]; then
        outcome=passed
        if grep -qE '^SKIP:|\*\*\*Skipped' "$log"; then
            outcome="passed, part skipped"
            [ "${VARNOTH_NO_SKIP:-}" = 1 ] && outcome="failed (skipped a test)" status=1
        fi
    elif [ "$status" -eq 77 ] && grep -q '^SKIP:' "$log"; then outcome=skipped
    else outcome="failed (exit $status)"
    fi
    case $outcome in
        passed*) passed=$((passed + 1)) ;;
        skipped) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)) ;;
    esac
    rm -f "$log"
    summary+=("$(printf '%-34s %-24s %5d s' "$name" "$outcome" $((SECONDS - start)))")
}

# test_build BUILD_DIR [CMAKE_OPTION...]: the Linux build for the tests, through ccache.
test_build() { VARNOTH_CCACHE=$ccache_dir BUILD_DIR=$1 "$root/scripts/build.sh" "${@:2}"; }

# run_tiers BUILD_DIR LABELS [CTEST_OPTION...]: builds (nothing when it is up to date) and
# runs the tests of those tiers, but those $VARNOTH_CTEST_EXCLUDE (a CTest -E pattern) names.
run_tiers() {
    local exclude=()
    [ -z "${VARNOTH_CTEST_EXCLUDE:-}" ] || exclude=(-E "$VARNOTH_CTEST_EXCLUDE")
    test_build "$1" && (cd "$1" && ctest --output-on-failure -L "$2" "${exclude[@]}" "${@:3}")
}

static_checks() { test_build "$build" >/dev/null && BUILD_DIR=$build "$root/scripts/lint.sh"; }

# package_tests: the package tier. Its autopkgtest and its second, varied build (label
# unstable) are run in unstable only, where Debian runs them on a new package
# (ci.debian.net's autopkgtest runs decide its migration; reproducible-builds.org builds it
# twice there): in each release it is built, linted, installed and started.
package_tests() {
    local where=()
    [ -z "$release" ] || where=(-LE 'unstable')
    run_tiers "$build" package "${where[@]}"
}

# sanitized: the unit, widget and desktop tiers and the install again, built with the
# sanitizers. Not the Debian package, built and installed as released (without them); not
# Orca, whose speaking adds a minute a locale and nothing of the game's that the desktop
# tier's screen-reader test does not already drive; not the browser's, a web page.
sanitized() {
    local build=$root/build-asan
    test_build "$build" -DVARNOTH_SANITIZE=ON || return 1
    # Leaks in third-party libraries that we cannot fix are listed, with reasons, in tests/lsan.supp.
    (cd "$build" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
        ctest --output-on-failure -L 'unit|widget|desktop|package' -E '^(deb|rebuild_versions)')
}

# debian_root N: the cached root of Debian N (scripts/debian-root.sh), made the first time;
# a skip (77) when it is not cached and the Debian mirror cannot be reached.
debian_root() {
    "$root/scripts/debian-root.sh" "$1" --check >/dev/null && return 0
    echo "the Debian $1 root is not cached: making it (the first time only)"
    "$root/scripts/debian-root.sh" "$1" >/dev/null
    case $? in
        0) return 0 ;;
        3) echo "SKIP: no Debian $1 root: not cached, and the Debian mirror cannot be reached"; return 77 ;;
        *) echo "FAIL: the Debian $1 root could not be made"; return 1 ;;
    esac
}

# windows: the static Qt (built the first time, cached after), the game and its tests built
# for Windows, the installer; then the wine tier and the games under Wine. The Windows files
# are built on Debian 13 (scripts/on-debian13.sh says why): on Debian 12 this stage runs in
# the Debian 13 root, with the Linux build of that root for the face's regions.
windows() {
    if [ "$release" != 13 ]; then
        debian_root 13 || return
        "$root/scripts/debian-root.sh" 13 run --bind "${VARNOTH_QT_CACHE:-/var/cache/varnoth/qt-windows}" \
            --bind "$ccache_dir" -- env VARNOTH_CCACHE_DIR="$ccache_dir" \
            BUILD_DIR="$root/build-debian13" bash "$root/scripts/test.sh" windows
        return
    fi
    command -v wine >/dev/null || { echo "SKIP: Wine is not installed (scripts/install-deps.sh test installs it)"; return 77; }
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || { echo "SKIP: MinGW-w64 is not installed"; return 77; }
    local qt status dist=$root/build-windows-dist
    if ! qt=$("$root/scripts/build-qt-windows.sh" --check); then
        echo "static Qt: not cached, building it (the first time only)"
        "$root/scripts/build-qt-windows.sh" >/dev/null
        status=$?
        [ "$status" -eq 3 ] && { echo "SKIP: no static Qt for Windows: not cached, and its source cannot be fetched"; return 77; }
        [ "$status" -eq 0 ] || { echo "FAIL: the static Qt for Windows could not be built"; return 1; }
    fi
    # The face's screen regions, written from the face table by the Linux build.
    cmake -S "$root" -B "$build" >/dev/null && cmake --build "$build" --target face_regions >/dev/null || return 1
    VARNOTH_CCACHE=$ccache_dir BUILD_DIR=$root/build-windows "$root/scripts/build-windows.sh" || return 1
    BUILD_DIR=$root/build-windows-release "$root/scripts/package-windows.sh" "$dist" >"$root/build-windows/package-windows.log" 2>&1 ||
        { cat "$root/build-windows/package-windows.log"; echo "FAIL: the installer could not be built"; return 1; }
    status=0
    "$root/tests/wine/windows_test.sh" "$root/build-windows" "$dist" "$build/face_regions.sh" || status=1
    # A skip (a tool not installed) says so on a SKIP: line, which marks the stage.
    "$root/tests/package/reproducible_windows.sh" "$dist" "$root/build-windows/artifacts"
    case $? in 0 | 77) ;; *) status=1 ;; esac
    return "$status"
}

# web: the static Qt for the web (built the first time, cached after) and the page, built on
# Debian 13 (on Debian 12 in its root, by scripts/package-web.sh itself); then the page served
# and played in Debian's Chromium on this machine (the browser tier); then the page built
# again, varied, and compared.
web() {
    local status page=$build/web-dist
    if [ "$release" != 13 ]; then debian_root 13 || return; fi
    if ! "$root/scripts/build-qt-web.sh" --check >/dev/null 2>&1; then
        echo "static Qt for the web: not cached, building it (the first time only)"
        "$root/scripts/build-qt-web.sh" >/dev/null
        status=$?
        [ "$status" -eq 3 ] && { echo "SKIP: no static Qt for the web: not cached, and its source cannot be fetched"; return 77; }
        [ "$status" -eq 0 ] || { echo "FAIL: the static Qt for the web could not be built"; return 1; }
    fi
    mkdir -p "$build"
    "$root/scripts/package-web.sh" "$page" >"$build/package-web.log" 2>&1 ||
        { tail -n 40 "$build/package-web.log"; echo "FAIL: the web page could not be built"; return 1; }
    status=0
    run_tiers "$build" browser || status=1
    # The second build where the first was made: on Debian 12 in the Debian 13 root.
    local again=("$root/tests/package/reproducible_web.sh" "$page" "$build/artifacts")
    if [ "$release" != 13 ]; then
        "$root/scripts/debian-root.sh" 13 run --bind "${VARNOTH_QT_WEB_CACHE:-/var/cache/varnoth/qt-web}" \
            --bind "$build" -- bash "${again[@]}"
    else
        "${again[@]}"
    fi
    case $? in 0 | 77) ;; *) status=1 ;; esac
    return "$status"
}

# in_root RELEASE: the Linux stages in the cached root of that Debian release (12, 13 or
# unstable), with build folders of their own, where nothing may be skipped: the root holds
# every tool. Orca speaks there in the game's own locale only (the C locale's run, on this
# machine, shows the game's words reaching a reader set to another language); the static
# checks run with Debian 13's and unstable's tools, not with Debian 12's older ones.
in_root() {
    local linux_stages=(tests desktop static package)
    [ "$1" != 12 ] || linux_stages=(tests desktop package)
    debian_root "$1" || return
    "$root/scripts/debian-root.sh" "$1" run --bind "$ccache_dir" -- env \
        BUILD_DIR="$root/build-debian$1" DEB_BUILD_DIR="$root/build-deb$1" VARNOTH_NO_SKIP=1 \
        VARNOTH_CCACHE_DIR="$ccache_dir" VARNOTH_CTEST_EXCLUDE='^orca_C$' \
        bash "$root/scripts/test.sh" "${linux_stages[@]}"
}

for name in "${stages[@]}"; do
    case $name in
        tests) stage "unit and widget tests" run_tiers "$build" 'unit|widget' ;;
        desktop) stage "desktop and Orca tests" run_tiers "$build" 'desktop|orca' ;;
        static) stage "static checks" static_checks ;;
        package) stage "install and Debian package" package_tests ;;
        sanitizers) stage "sanitizers (ASan, UBSan)" sanitized ;;
        windows) stage "Windows (Wine)" windows ;;
        web) stage "web page (Chromium)" web ;;
        debian1[0-9]) stage "Debian $other_release (root)" in_root "$other_release" ;;
        unstable) stage "Debian unstable (root)" in_root unstable ;;
    esac
done

echo "== Summary"
printf '%s\n' "${summary[@]}"
echo "stages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
