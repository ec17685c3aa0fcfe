// The key filter of every box that takes a number, in both windows.
#pragma once

#include "platform/platform.h"

constexpr int backspaceKey = 8;  // the character code Backspace types

// A typed character that is a digit "0"-"9" or Backspace passes; any other is refused: its
// code becomes 0, which makes the box ignore it, and the platform beeps.
void DigitKeyFilter(int& keyAscii, Platform& platform);
