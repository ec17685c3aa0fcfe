#include "system/chinese.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

#include <emscripten.h>

extern "C" void varnoth_fetchFallbackFonts();  // system/page_wasm.js

namespace {

// Where the page puts the faces it brings (packaging/web/index.html preloads them there):
// the game's three, cut down to what it shows, Hei with all of GB2312 for a holder's name.
const QString fontFolder = QStringLiteral("/fonts");
const QString nameFamily = QStringLiteral("WenQuanYi Zen Hei");
const QString fallbackFamily = QStringLiteral("Unifont");

// Every script falls back on these, in this order.
void fallBackOn(const QString& family)
{
    for (int script = QChar::Script_Common; script < QChar::ScriptCount; ++script)
        QFontDatabase::addApplicationFallbackFontFamily(static_cast<QChar::Script>(script), family);
}

// GNU Unifont, which draws any character, is some 1.5 MB compressed: the page fetches it
// only when a label or a text box is about to paint a character none of the faces has (a
// record holder's name outside GB2312).
class FallbackOnDemand : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !asked_) {
            const QString text = textOf(watched);
            if (!text.isEmpty() && !drawable(text)) {
                asked_ = true;
                varnoth_fetchFallbackFonts();
            }
        }
        return false;
    }

private:
    static QString textOf(QObject* widget)
    {
        if (auto* label = qobject_cast<QLabel*>(widget))
            return label->text();
        if (auto* box = qobject_cast<QLineEdit*>(widget))
            return box->text();
        return {};
    }

    bool drawable(const QString& text) const
    {
        const QList<uint> characters = text.toUcs4();
        return std::all_of(characters.begin(), characters.end(), [this](uint c) {
            return std::any_of(faces_.begin(), faces_.end(), [c](const QFontMetrics& f) { return f.inFontUcs4(c); });
        });
    }

    bool asked_ = false;
    const QList<QFontMetrics> faces_ = {QFontMetrics(QFont(QStringLiteral("AR PL UMing CN"))),
                                        QFontMetrics(QFont(QStringLiteral("AR PL UKai CN"))),
                                        QFontMetrics(QFont(nameFamily))};
};

}  // namespace

// A fallback font the page fetched: added, and the windows drawn again with it.
extern "C" EMSCRIPTEN_KEEPALIVE void varnoth_fallbackFontArrived(const char* bytes, int length)
{
    if (QFontDatabase::addApplicationFontFromData(QByteArray(bytes, length)) < 0)
        return;
    fallBackOn(fallbackFamily);
    for (QWidget* widget : QApplication::allWidgets())
        widget->update();
}

FontConfigPreload::FontConfigPreload() = default;
FontConfigPreload::~FontConfigPreload() = default;

// A page has no fonts of the system's: the ones it brings are added to Qt's database here,
// before any widget asks for one; Hei stands behind every script for a holder's name, and the
// page fetches the fallback for anything else as it is needed.
void FontConfigPreload::wait()
{
    for (const QString& name : QDir(fontFolder).entryList(QDir::Files, QDir::Name))
        QFontDatabase::addApplicationFont(fontFolder + u'/' + name);
    fallBackOn(nameFamily);
    qApp->installEventFilter(new FallbackOnDemand(qApp));
}

QList<FontSubstitution> chineseFontSubstitutions()
{
    return {
        {QStringLiteral("宋体"), {"AR PL UMing CN"}},
        {QStringLiteral("楷体_GB2312"), {"AR PL UKai CN"}},
        {QStringLiteral("黑体"), {nameFamily}},
    };
}

// Built into the program from Debian's qt6-translations-l10n (see CMakeLists.txt).
QString qtTranslationsFolder() { return QStringLiteral(":/qt-translations"); }
