#include "system/beep.h"

#include <QApplication>

void systemBeep() { QApplication::beep(); }
