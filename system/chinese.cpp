#include "system/chinese.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QLocale>
#include <QTranslator>

#include <algorithm>

namespace {

QHash<QString, QString>& installedFamilies()
{
    static QHash<QString, QString> families;
    return families;
}

}  // namespace

// A font asked for by a name no installed family has makes Qt ask the system for that
// name's fallbacks, a search through every font, once for each such name and style: a few
// milliseconds at start. So the family that stands for each name is found once, here, and
// the windows ask for it by its own name. The substitutions stay for anything else that
// asks by the design name.
void installChineseFonts()
{
    for (const FontSubstitution& s : chineseFontSubstitutions()) {
        QFont::insertSubstitutions(s.windowsName, s.families);
        const auto installed = std::find_if(s.families.begin(), s.families.end(), &QFontDatabase::hasFamily);
        if (installed != s.families.end())
            installedFamilies().insert(s.windowsName, *installed);
    }
    QApplication::setFont(QFont(fontFamily(QStringLiteral("宋体")), 9));
}

QString fontFamily(const QString& designName) { return installedFamilies().value(designName, designName); }

void installChineseQtTexts(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         qtTranslationsFolder()))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
