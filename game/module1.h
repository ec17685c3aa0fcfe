// The program-wide variables, shared by reference between the main window, the
// settings dialog and the records file. They live from start-up to exit.
#pragma once

#include "records/records.h"

// The four values of the records file, TimeLimit (seconds per round: a number, or the text
// of one), MaxTries (tries per game), RecordName (the record holder) and RecordScore (the
// record as loaded; afterwards the record lives in Label10), come from records::Records.
struct Module1 : records::Records {
    vb::Variant SecretDigit1;  // the code: 1-8, then three of 0-8, all different
    vb::Variant SecretDigit2;
    vb::Variant SecretDigit3;
    vb::Variant SecretDigit4;
    vb::Variant InitialTries;  // MaxTries as it stood when the game started
};
