// The main window's face as one table, keyed by the designer's names: every control's
// place and size, text, font, colour, state at open, and how a screen reader reads it (its
// place in reading order, what it is called, the figure a caption names), and the
// furniture that the background picture paints under the controls. The window builds its
// controls from it, the artwork tool paints the picture from it, and the build writes the
// real-window tests' screen regions from it, so a change here moves all three at once.
#pragma once

#include "controls/twips.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <array>
#include <vector>

namespace face {

// The client area, in twips, and the background picture drawn unscaled from its top-left
// corner, in pixels; the picture's last column lies outside the client area.
constexpr int clientWidth = 8055;
constexpr int clientHeight = 4170;
constexpr QSize pictureSize(538, 278);

struct Font {
    const char* family;  // the designed (Windows) family; see installChineseFonts
    double pointSize;
    bool bold;
};

enum class Kind {
    DigitBox,      // a one-digit text box
    Label,         // a transparent label
    ClickArea,     // a transparent label over a button the picture paints: read as that push button
    Icon,          // a plus picture from the artwork (its name in `text`)
    HistoryLabel,  // a label repeated in every history row
    HistoryIcon,   // an icon repeated in every history row
};

struct Control {
    const char* name;  // the designer's name; an element of a control array carries its index, "T(0)"
    Kind kind;
    int left, top, width, height;  // twips; a history control's first row
    const char* text;              // a label's caption at open, an icon's artwork
    Font font;
    QColor colour;  // of the text; invalid: the system's highlighted-text colour
    bool autoSize;  // the label's box follows its caption
    bool visible;   // at open
    int reading;    // place in the order a screen reader walks the face, from 1; 0: not read alone
    // What a screen reader calls it: a name, or a sentence with %1 where the caption goes
    // ("剩余 %1 秒"); "": the caption itself.
    const char* spoken;
    const char* names;  // a caption: the control whose figure it names; "": none

    QRect rect() const { return twipsRect(left, top, width, height); }
};

// The history's rows, top to bottom.
constexpr int historyRows = 9;

// A control where it lies on the face, in pixels, under the name it goes by: a history
// control once for each row, "L(0)" to "L(8)".
struct Placed {
    QString name;
    QRect rect;
    const Control* design;
};

// Every control of the face, in drawing order: later controls lie on top, so the message
// (Label3, Label5) covers the big count Label6, Label5 covers Label3, and the click area
// Label1 covers Lc's corner.
std::vector<Placed> placedControls();

// Where the control of that name lies, in pixels; an empty rectangle for no such control.
QRect rectOf(const QString& name);

// The controls that are read on their own, in reading order: top to bottom and left to
// right, each caption before its figure (the history panel is read last, as a list).
std::vector<const Control*> inReadingOrder();

// The face as a whole, as a screen reader names it: the lock, and how to begin a game.
extern const char* const spokenName;
extern const char* const spokenDescription;

// --- What the background picture paints, in its pixels --------------------------------

// A black inside, both corners included, in a recessed frame `frame` pixels wide.
struct BlackWindow {
    int x1, y1, x2, y2;
    int frame;

    QRect inside() const { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }
};

// The four windows the digit boxes T(0)-T(3) lie in, left to right.
extern const std::array<BlackWindow, 4> digitWindows;
// The panel behind the instructions and the two legends, and the one behind the history.
extern const BlackWindow instructionsPanel;
extern const BlackWindow historyPanel;

// The drawn push button under the click area Label1, and its word.
constexpr QRect confirmButton(240, 42, 96, 21);
extern const char* const confirmCaption;

// The row of red key caps: decoration only, the first at keyCap, each next one keyCapPitch
// further right.
constexpr QRect keyCap(8, 75, 25, 23);
constexpr int keyCapPitch = 30;
extern const std::array<const char*, 11> keyCapLegends;

// The grooves cut into the face: one under the score line, one between the lock and the
// history (a line centred at `at`, from `from` to `to` along it).
struct Groove {
    double at;
    int from, to;
};
extern const Groove scoreGroove;   // horizontal
extern const Groove historyWall;   // vertical

}  // namespace face
