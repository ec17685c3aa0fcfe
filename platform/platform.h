// The services the game takes from its desktop platform, behind one small interface
// so that tests can stand in for the player at a message box or an input box.
#pragma once

#include <QString>

class Platform {
public:
    // Message box styles, as the game passes them.
    static constexpr int InformationOk = 64;
    static constexpr int IconMask = 0x70;  // the bits of a style that choose the icon

    virtual ~Platform() = default;

    // Modal message box with one OK button; returns when the player closes it.
    virtual void messageBox(const QString& text, int style, const QString& title) = 0;
    // Modal input box with an empty field that takes at most maxLength characters (one
    // outside the BMP counts once, and none is ever cut in half); the
    // typed text, or "" when cancelled. A screen reader reads `about` (what led to the
    // box, "" for nothing) with the box's title, before the prompt.
    virtual QString inputBox(const QString& prompt, const QString& title, int maxLength, const QString& about) = 0;
    // The system's standard beep.
    virtual void beep() = 0;
    // Seeds the random numbers from the clock.
    virtual void randomize() = 0;
    // A uniform random number, 0 <= r < 1.
    virtual float rnd() = 0;
};
