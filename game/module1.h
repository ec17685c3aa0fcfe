// The program-wide variables, shared by reference between the main window, the
// settings dialog and the records file. They live from start-up to exit.
#pragma once

#include "controls/variant.h"

struct Module1 {
    vb::Variant SecretDigit1;  // the code: 1-8, then three of 0-8, all different
    vb::Variant SecretDigit2;
    vb::Variant SecretDigit3;
    vb::Variant SecretDigit4;
    vb::Variant InitialTries;  // MaxTries as it stood when the game started
    vb::Variant TimeLimit;     // seconds per round: a number, or the text of one
    qint16 MaxTries = 0;       // tries per game
    vb::Variant RecordName;    // the record holder's name
    vb::Variant RecordScore;   // the record as loaded; afterwards the record lives in Label10
};
