#include "system/beep.h"

extern "C" void varnoth_playTone();  // system/page_wasm.js

void systemBeep() { varnoth_playTone(); }
