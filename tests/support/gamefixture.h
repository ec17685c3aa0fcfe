// A main window wired to a scripted platform and a records file in a temporary
// directory, with helpers that act as the player does.
#pragma once

#include "game/form1.h"
#include "support/scriptedplatform.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

struct Game {
    QTemporaryDir dir;
    Module1 module;
    ScriptedPlatform platform;
    std::unique_ptr<Form1> window;

    Game()
    {
        window = std::make_unique<Form1>(module, platform, records::RecordsFile{dir.path()});
        window->Form_Load();
    }

    Form1& w() { return *window; }

    // Shows the window and waits until it is active, so that focus moves are real.
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // Starts a game whose first code is the given digits.
    void start(const char* code = "5037")
    {
        platform.queueCode(code);
        window->a1_Click();
    }

    // Fills the four boxes as a program would (empty for '_') and clicks 确定.
    void guess(const char* digits)
    {
        for (size_t i = 0; i < 4; ++i)
            window->T[i]->setText(digits[i] == '_' ? QString() : QString(QChar(digits[i])));
        window->Label1_Click();
    }

    // Lets the countdown tick n times.
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            window->Timer1_Timer();
    }

    QWidget* focused() const { return QApplication::focusWidget(); }
};
