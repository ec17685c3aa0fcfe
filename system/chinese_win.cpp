#include "system/chinese.h"

FontConfigPreload::FontConfigPreload() = default;

FontConfigPreload::~FontConfigPreload() = default;

void FontConfigPreload::wait() {}

// The fonts each name stands for come with every Chinese Windows and with the Chinese
// supplemental fonts of others; Microsoft YaHei and NSimSun where they are missing; then
// the Linux families, which Wine offers from the host.
QList<FontSubstitution> chineseFontSubstitutions()
{
    return {
        {QStringLiteral("宋体"), {"SimSun", "NSimSun", "Microsoft YaHei", "AR PL UMing CN", "WenQuanYi Zen Hei"}},
        {QStringLiteral("楷体_GB2312"), {"KaiTi", "KaiTi_GB2312", "SimSun", "AR PL UKai CN", "WenQuanYi Zen Hei"}},
        {QStringLiteral("黑体"), {"SimHei", "Microsoft YaHei", "WenQuanYi Zen Hei", "AR PL UMing CN"}},
    };
}

// Built into the program from Debian's qt6-translations-l10n (see CMakeLists.txt).
QString qtTranslationsFolder() { return QStringLiteral(":/qt-translations"); }
