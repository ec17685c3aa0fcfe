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
// So that the check is made, the game is not built against a Qt newer than the newest series
// every workaround was checked on (qtversions.cpp stops the build). Whoever first builds it on
// a newer Qt checks each workaround there as its comment says, then either names that Qt as
// the workaround's fix or adds it to the versions seen, and raises the series below.
#pragma once

// The newest Qt series every workaround of this room was checked on: each 6.8.x.
constexpr int newestQtCheckedMajor = 6;
constexpr int newestQtCheckedMinor = 8;
