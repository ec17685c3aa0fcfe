#include "system/chinese.h"

#include <QDir>
#include <QFontDatabase>

namespace {

// Where the page puts the fonts it brings (packaging/web/index.html preloads them there): the
// game's three faces cut down to what it shows, and a fallback that draws any other character.
const QString fontFolder = QStringLiteral("/fonts");
const QString fallbackFamily = QStringLiteral("Unifont");

}  // namespace

FontConfigPreload::FontConfigPreload() = default;
FontConfigPreload::~FontConfigPreload() = default;

// A page has no fonts of the system's: the ones it brings are added to Qt's database here,
// before any widget asks for one, and the fallback stands behind every script.
void FontConfigPreload::wait()
{
    for (const QString& name : QDir(fontFolder).entryList(QDir::Files, QDir::Name))
        QFontDatabase::addApplicationFont(fontFolder + u'/' + name);
    for (int script = QChar::Script_Common; script < QChar::ScriptCount; ++script)
        QFontDatabase::addApplicationFallbackFontFamily(static_cast<QChar::Script>(script), fallbackFamily);
}

QList<FontSubstitution> chineseFontSubstitutions()
{
    return {
        {QStringLiteral("宋体"), {"AR PL UMing CN"}},
        {QStringLiteral("楷体_GB2312"), {"AR PL UKai CN"}},
        {QStringLiteral("黑体"), {"WenQuanYi Zen Hei"}},
    };
}

// Built into the program from Debian's qt6-translations-l10n (see CMakeLists.txt).
QString qtTranslationsFolder() { return QStringLiteral(":/qt-translations"); }
