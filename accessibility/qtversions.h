// Which Qt the workarounds of this room apply to: one rule for all of them.
//
// Each workaround stands in for a behaviour of Qt's own and says, beside it, where in Qt's
// source that behaviour is, the Qt versions it was seen on, and the first Qt that no longer
// behaves so or, while none is known, how to tell.
//
// A workaround whose fix is known applies to the running Qt only if it is older than the fix
// (QLibraryInfo::version(): the game may run on a newer Qt than the one it was built with).
// One whose fix is not known applies on every Qt: on those it was seen on, and on a newer one
// as well until someone has checked it there: dropped unseen, a workaround for a screen reader
// could leave a blind player with a game that freezes or loses keys, while kept a release too
// long it only does what a fixed Qt does itself.
//
// The game builds on every Qt from 6.4 on, newer than the series below too: whether each
// workaround is still needed on the newest Qt is for the tests run there to show (the
// Debian unstable stage of scripts/test.sh), not for the build to refuse. CMake notes a Qt
// newer than the series below. Whoever checks the workarounds on a newer Qt, each as its
// comment says, either names that Qt as the workaround's fix or adds it to the versions
// seen, and raises the series below.
#pragma once

// The newest Qt series every workaround of this room was checked on (CMakeLists.txt reads
// it from here).
constexpr int newestQtCheckedMajor = 6;
constexpr int newestQtCheckedMinor = 11;
