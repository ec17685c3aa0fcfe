// The main window's labels as a table: name, place and size in twips, text, font,
// colour, auto-size and visibility. The history rows and boxes follow simple rules
// and are laid out in code.
#pragma once

#include <QColor>
#include <QString>

class Form1;
class Label;

struct FontDesign {
    const char* family;  // the designed (Windows) family; see installChineseFonts
    double pointSize;
    bool bold;
};

struct LabelDesign {
    Label* Form1::*control;
    const char* name;
    int left, top, width, height;  // twips
    const char* text;
    FontDesign font;
    QColor colour;  // invalid: the system's highlighted-text colour
    bool autoSize;
    bool visible;
};

extern const FontDesign defaultFont;
extern const LabelDesign form1Labels[];
extern const int form1LabelCount;

// The design credit line at the foot of the instructions panel.
extern const char* const designCredit;
