// The main window as a screen reader walks it: the face lists its controls in reading
// order, each figure is linked to its caption, 确定 is a push button, the used history
// rows form a list, and the result message and the big last-seconds count are announced.
#pragma once

class Form1;

// Qt may build a control's description as soon as the control is hidden, so this comes
// before the window's controls are made.
void installScreenReaderSupport();

void describeForScreenReaders(Form1& window);
