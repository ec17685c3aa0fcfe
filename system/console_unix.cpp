#include "system/console.h"

void reachStartingConsole() {}
