// The system's standard beep, for a refused key. On a desktop it is Qt's, which asks the
// system (beep_qt.cpp); in a web page, where Qt's beep is silent, the page plays a short
// tone of its own (beep_wasm.cpp).
#pragma once

void systemBeep();
