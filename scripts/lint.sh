#!/usr/bin/env bash
# clang-tidy and cppcheck over the sources; any finding of either fails (both run, so one
# run lists every finding). Needs a configured build/ (for compile_commands.json). Works
# with clang-tidy 14 and cppcheck 2.10 (Debian 12), clang-tidy 19 and cppcheck 2.17
# (Debian 13), and clang-tidy 21 and cppcheck 2.22 (unstable). The checks and the reasons for the ones left out are in .clang-tidy and below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cd "$root"
# The rooms of the code, top to bottom: every check below reads this one list. Code in a room
# includes only its own room and the rooms below it.
rooms=(game settings records accessibility platform system controls text)
# The sources are found by name, not through git: a copy unpacked from an archive has no repository.
sources=$(find "${rooms[@]}" tools -name '*.cpp' | sort)
# The Windows and web files (*_win.cpp, *_wasm.cpp) are not in this build's compile
# commands; cppcheck reads them.
linux_sources=$(printf '%s\n' $sources | grep -v -E '_(win|wasm)\.cpp$')

found=0
echo "clang-tidy $(clang-tidy --version | sed -n 's/.*LLVM version \([0-9.]*\).*/\1/p'): $(echo "$linux_sources" | wc -w) files"
log=$(mktemp)
header_filter="($(IFS='|'; echo "${rooms[*]}"))/.*\.h$"
if ! printf '%s\n' $linux_sources | xargs -P "$(nproc)" -n 1 clang-tidy -p "$build" --quiet --warnings-as-errors='*' \
    --header-filter="$header_filter" >"$log" 2>&1; then
    grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated' "$log"
    echo "clang-tidy found the problems above"
    found=1
fi
rm -f "$log"

echo "$(cppcheck --version)"
# cppcheck 2.10 cannot read UTF-8 identifiers, so it checks a copy in which the two
# procedures named in Chinese carry ASCII names; line numbers are unchanged.
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
for file in $(find "${rooms[@]}" -type f; find tools -name '*.cpp'); do
    mkdir -p "$copy/$(dirname "$file")"
    sed -e 's/失败/Shibai/g' -e 's/结束/Jieshu/g' "$file" >"$copy/$file"
done
# Qt's version macros, as the build's Qt defines them (its qconfig.h, found through the
# compile commands): cppcheck 2.22 stops on an #if it cannot evaluate, and so checks the
# code that this Qt compiles.
qtcore=$(grep -o -- '-isystem [^ ]*/QtCore' "$build/compile_commands.json" | head -n 1 | cut -d' ' -f2)
version() { sed -n "s/^#define QT_VERSION_$1 \([0-9]*\)$/\1/p" "$qtcore/qconfig.h"; }
printf '#define QT_VERSION_CHECK(major, minor, patch) ((major << 16) | (minor << 8) | (patch))\n#define QT_VERSION QT_VERSION_CHECK(%s, %s, %s)\n' \
    "$(version MAJOR)" "$(version MINOR)" "$(version PATCH)" >"$copy/qt-version.h"
# Left out, with reasons:
#  unusedFunction - the handlers are reached through Qt's signal connections and the tests;
#  useStlAlgorithm - the handlers' loops read like the steps they carry out;
#  missingInclude* - Qt's headers are not cppcheck's to analyse;
#  unknownMacro - Qt's macros (Q_OBJECT, Q_DECLARE_METATYPE, QT_VERSION_CHECK...) are
#                 defined in those headers, which cppcheck is not given;
#  normalCheckLevelMaxBranches - cppcheck 2.11 and later say where they follow fewer
#                 branches than they could; the exhaustive level (unknown to 2.10) costs
#                 minutes more and is a note, not a finding;
#  shadowFunction - a setter's or an override's argument named as Qt names it, after the
#                 property (setAutoSize(bool autoSize), standardIcon(StandardPixmap
#                 standardIcon)); GCC's -Wshadow, which the build turns on, knows better;
#  functionStatic in system/*_win.cpp and *_wasm.cpp - the Windows and web halves of
#                 classes whose Unix halves use their members: one header declares all;
#  uninitMemberVarNoCtor in game/form1_layout.h - the face table's aggregates, each
#                 written whole by the table's initialisers (cppcheck 2.22 asks for
#                 defaults none of them needs).
if ! (cd "$copy" && cppcheck --quiet --error-exitcode=1 --enable=warning,style,performance,portability --std=c++20 \
    --language=c++ --inline-suppr --suppress=missingIncludeSystem --suppress=missingInclude \
    --suppress=unusedFunction --suppress=useStlAlgorithm --suppress=unknownMacro \
    --suppress=normalCheckLevelMaxBranches --suppress=shadowFunction --suppress='functionStatic:system/*_win.cpp' \
    --suppress='functionStatic:system/*_wasm.cpp' \
    --suppress=uninitMemberVarNoCtor:game/form1_layout.h --include=qt-version.h -I . $sources); then
    echo "cppcheck found the problems above"
    found=1
fi
echo "rooms"
upward=$(for ((i = 1; i < ${#rooms[@]}; i++)); do
    for ((j = 0; j < i; j++)); do
        grep -Hn "^#include \"${rooms[j]}/" $(find "${rooms[i]}" -name '*.cpp' -o -name '*.h') || true
    done
done)
if [ -n "$upward" ]; then
    echo "$upward"
    echo "these reach into a room above their own"
    found=1
fi
[ "$found" -eq 0 ] || exit 1
echo "static checks clean"
