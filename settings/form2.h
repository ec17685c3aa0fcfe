// The settings dialog: the time limit of a round and the number of tries. It has no
// buttons; closing it in any way commits every box that holds a whole number.
#pragma once

#include "game/module1.h"
#include "controls/controls.h"
#include "platform/platform.h"

#include <QDialog>

class Form2 : public QDialog {
public:
    Form2(Module1& module, Platform& platform, QWidget* parent = nullptr);

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
    Module1& m_;
    Platform& platform_;
    bool unloaded_ = false;
};
