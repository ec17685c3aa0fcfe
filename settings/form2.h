// The settings dialog: the time limit of a round and the number of tries. It has no
// buttons; closing it in any way commits every box that holds a whole number.
#pragma once

#include "controls/controls.h"
#include "text/variant.h"
#include "platform/platform.h"

#include <QDialog>

class Form2 : public QDialog {
public:
    // Edits the time limit and the tries, the two settings the game keeps.
    Form2(vb::Variant& timeLimit, qint16& maxTries, Platform& platform, QWidget* parent = nullptr);

    Label* Label1 = nullptr;  // 开锁时间:
    TextBox* Text1 = nullptr; // the time limit, seconds
    Label* Label2 = nullptr;  // 秒
    Label* Label3 = nullptr;  // 次    数:
    TextBox* Text2 = nullptr; // the number of tries
    Label* Label5 = nullptr;  // 次

    void Form_Load();
    void Form_Unload();
    void DigitKeyFilter(int& keyAscii);

    // Every way of closing (close button, system menu, Escape, Alt+F4) ends here.
    void done(int result) override;

private:
    vb::Variant& TimeLimit;
    qint16& MaxTries;
    Platform& platform_;
    bool unloaded_ = false;
};
