#include "system/chinese.h"

#include <QLibraryInfo>

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

QList<FontSubstitution> chineseFontSubstitutions()
{
    return {
        {QStringLiteral("宋体"), {"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC", "WenQuanYi Zen Hei"}},
        {QStringLiteral("楷体_GB2312"), {"AR PL UKai CN", "AR PL UKai TW", "AR PL UMing CN", "WenQuanYi Zen Hei"}},
        {QStringLiteral("黑体"), {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "AR PL UMing CN"}},
    };
}

QString qtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }
