#pragma once

#include "platform/platform.h"

#include <QPointer>
#include <QWidget>
#include <random>

// The platform services on Qt: QMessageBox, QInputDialog, the system's beep and a
// Mersenne twister seeded from the clock.
class QtPlatform : public Platform {
public:
    // The window the boxes belong to: they open centred on it and stay above it, and a
    // Wayland compositor places them with it rather than as windows of their own.
    void setBoxOwner(QWidget* owner) { boxOwner_ = owner; }

    void messageBox(const QString& text, int style, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, int maxLength, const QString& about) override;
    void beep() override;
    void randomize() override;
    float rnd() override;

private:
    QPointer<QWidget> boxOwner_;
    std::mt19937 generator_{0u};
};
