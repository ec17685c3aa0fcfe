#pragma once

#include "platform/platform.h"

#include <random>

// The platform services on Qt: QMessageBox, QInputDialog, QApplication::beep and a
// Mersenne twister seeded from the clock.
class QtPlatform : public Platform {
public:
    void messageBox(const QString& text, int style, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, int maxLength) override;
    void beep() override;
    void randomize() override;
    float rnd() override;

private:
    std::mt19937 generator_{0u};
};
