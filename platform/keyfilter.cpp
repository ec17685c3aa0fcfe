#include "platform/keyfilter.h"

void DigitKeyFilter(int& keyAscii, Platform& platform)
{
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    if (digit || keyAscii == backspaceKey)
        return;
    keyAscii = 0;
    platform.beep();
}
