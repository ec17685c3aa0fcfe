// The main window as a screen reader walks it and speaks it: the face lists its controls
// in reading order, each figure is linked to its caption, 确定 is a push button, the used
// history rows form a list that reads as one line of its own, and what changes after a
// guess, at a game's start and end and in the last seconds is told in speech.
#pragma once

#include <QString>

class Form1;

// Qt may build a control's description as soon as the control is hidden, so this comes
// before the window's controls are made.
void installScreenReaderSupport();

void describeForScreenReaders(Form1& window);

// The game is over: what is heard before any record box is the news of the guess that
// ended it, then the result (e.g. "答题失败,请继续努力!", or nothing when the player ended
// it), then "游戏结束" with the score.
void announceGameEnd(const Form1& window, const QString& result);

// What changed since the last announcement is spoken now, rather than once the handler
// has finished: a modal box is about to open, or the focus to move.
void announcePendingNow(const Form1& window);

// The last announcement made, as the player heard it.
QString lastAnnouncement(const Form1& window);
