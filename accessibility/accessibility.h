// What a screen reader is told about the game's own labels and text boxes, beyond what Qt
// tells about its standard widgets: a label reads as its caption and shows only when it
// has one, a caption is linked to the figure it names, a label can act as a push button
// or read as a sentence around its caption, and a text box answers every question about
// its text (Qt's own answer to some never comes).
#pragma once

#include <QString>

class Label;
class QLabel;
class QWidget;

namespace accessibility {

// Makes every Label and every one-line text box describe itself as below, and every face
// part as faceparts.h says, and passes key events to the screen reader in order
// (accessibility/atspi.h). Call before the controls are made: Qt may build a label's
// description as soon as the label is hidden.
void install();

// A screen reader's cache follows what the label shows: it is told both "showing" and
// "visible" when the label appears or disappears, also when an empty label gains or
// loses its caption.
void followShowing(Label* label);

// The label reads as the format with its caption in place of %1 ("剩余 %1 秒"), while it
// shows only the caption.
void speakAs(Label* label, const QString& format);

// The caption names the figure (a screen reader's "labelled by"); nothing on screen changes.
void linkCaption(QLabel* caption, QWidget* figure);

// The label is a push button with that name, and its press action is a mouse click.
void makeButton(Label* label, const QString& name);

}  // namespace accessibility
