#include "system/chinese.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QTranslator>

void installChineseFonts()
{
    for (const FontSubstitution& s : chineseFontSubstitutions())
        QFont::insertSubstitutions(s.windowsName, s.families);
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}

void installChineseQtTexts(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         qtTranslationsFolder()))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
