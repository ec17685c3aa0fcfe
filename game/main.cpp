// Varnoth: open the lock by guessing its code of four different digits.
#include "game/commandline.h"
#include "game/form1.h"
#include "game/module1.h"
#include "controls/artwork.h"
#include "system/chinese.h"
#include "platform/qtplatform.h"
#include "records/store.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv))
        return *exitCode;
    FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    QApplication::setStyle(artwork::windowStyle());
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
