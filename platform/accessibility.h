// What a screen reader is told about the game's own labels, beyond what Qt tells about
// its standard widgets: a label reads as its caption and shows only when it has one, a
// caption is linked to the figure it names, a label can act as a push button, and a
// label can be announced when it appears.
#pragma once

#include <QString>

class Label;
class QLabel;
class QWidget;

namespace accessibility {

// Makes every Label describe itself as below. Call before the labels are made: Qt may
// build a label's description as soon as the label is hidden.
void install();

// The caption names the figure (a screen reader's "labelled by"); nothing on screen changes.
void linkCaption(QLabel* caption, QWidget* figure);

// The label is a push button with that name, and its press action is a mouse click.
void makeButton(Label* label, const QString& name);

// The label is a notification: a screen reader speaks it when it appears, and again when
// its caption changes while it is in view. What is spoken is what the window shows once
// the handler that changed it has finished.
void announceWhenShown(Label* label);

}  // namespace accessibility
