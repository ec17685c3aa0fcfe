// The main window as a screen reader walks it and speaks it: the face lists its controls
// in reading order and names them as the face table says, each figure is linked to its
// caption, 确定 is a push button, and the used history rows form a list that reads as one
// line of its own. What a handler changes beyond that is told in speech, once per handler.
#pragma once

#include <QString>
#include <optional>

class Form1;

// Qt may build a control's description as soon as the control is hidden, so this comes
// before the window's controls are made.
void installScreenReaderSupport();

void describeForScreenReaders(Form1& window);

// What one handler tells the player in speech, said as one announcement in the order a
// sighted player sees it: the game's start with its time and tries, the history row just
// filled, the result message (or the game's result), the tries left, the score, the game's
// end with the score, the last seconds, a refused key.
struct News {
    bool gameStarted = false;
    std::optional<size_t> row{};
    QString result{};
    bool triesLeft = false;
    bool score = false;
    bool gameOver = false;
    bool secondsLeft = false;
    bool keyRefused = false;
};

// The news as the player hears it.
QString spokenNews(const Form1& window, const News& news);

// Says it now: a handler calls this once, after what it tells has happened and before any
// box it opens.
void announce(const Form1& window, const News& news);

// The last announcement made, as the player heard it.
QString lastAnnouncement(const Form1& window);
