#include "platform/chinese.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QStringList>

#include <fontconfig/fontconfig.h>

// fontconfig's initialisation is thread-safe, and Qt later takes the configuration it
// made as the current one rather than reading the files again.
FontConfigPreload::FontConfigPreload() : thread_([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() { wait(); }

void FontConfigPreload::wait()
{
    if (thread_.joinable())
        thread_.join();
}

void installChineseFonts()
{
    const struct {
        const char* windowsName;
        QStringList families;
    } substitutions[] = {
        {"宋体", {"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC", "WenQuanYi Zen Hei"}},
        {"楷体_GB2312", {"AR PL UKai CN", "AR PL UKai TW", "AR PL UMing CN", "WenQuanYi Zen Hei"}},
        {"黑体", {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "AR PL UMing CN"}},
    };
    for (const auto& s : substitutions)
        QFont::insertSubstitutions(QString::fromUtf8(s.windowsName), s.families);
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}

void installChineseQtTexts(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
