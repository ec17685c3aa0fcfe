#include "controls/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen->geometry();
    const QSize outer = window.frameGeometry().size();
    const double left = (screenRect.width() - outer.width()) / 2.0;
    const double top = (screenRect.height() - outer.height()) / 2.0;
    window.move(screenRect.x() + qRound(left), screenRect.y() + qRound(top));
}
