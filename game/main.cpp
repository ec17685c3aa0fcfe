// Varnoth: open the lock by guessing its code of four different digits.
#include "game/commandline.h"
#include "game/form1.h"
#include "game/module1.h"
#include "system/chinese.h"
#include "platform/qtplatform.h"
#include "records/store.h"

#include <QApplication>
#include <QProxyStyle>

namespace {

// The windows' style: the desktop's, as Qt picks it, except that the menu bar's overflow
// button, which a menu bar of one menu never shows, has no picture. Qt reads that picture
// as the menu bar is made and, guessing its format, first loads every image-format plugin
// installed (SVG, JPEG, and on many desktops AVIF, HEIF, JPEG XL, ...) to ask each about it.
class WindowStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override
    {
        if (standardIcon == SP_ToolBarHorizontalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv))
        return *exitCode;
    FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    QApplication::setStyle(new WindowStyle);
    QApplication::setApplicationName(QStringLiteral("varnoth"));
    QApplication::setApplicationVersion(QStringLiteral(VARNOTH_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(VARNOTH_APP_ID));
    fontConfig.wait();
    installChineseFonts();
    installScreenReaderSupport();  // before any control is made
    installChineseQtTexts(app);

    Module1 module;
    QtPlatform platform;
    Form1 window(module, platform, records::RecordsFile::forThisProgram());
    platform.setBoxOwner(&window);
    // A logout, systemd or Ctrl+C closes the window as its close box does: the record is saved.
    window.run().watchSessionEnd(app);
    window.Form_Load();
    // At its own size and place, never full screen or maximized as a platform may show a
    // window by default (a web page's does): the face is drawn for its size.
    window.setVisible(true);
    return QApplication::exec();
}
