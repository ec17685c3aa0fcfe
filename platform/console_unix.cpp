#include "platform/console.h"

void reachStartingConsole() {}
