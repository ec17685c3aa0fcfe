// Varnoth: open the lock by guessing its code of four different digits.
#include "game/commandline.h"
#include "game/form1.h"
#include "game/module1.h"
#include "platform/chinese.h"
#include "platform/qtplatform.h"
#include "records/records.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv))
        return *exitCode;
    FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varnoth"));
    QApplication::setApplicationVersion(QStringLiteral(VARNOTH_VERSION));
    QApplication::setWindowIcon(Form1::programIcon());
    QApplication::setDesktopFileName(QStringLiteral("io.github.varnoth.Varnoth"));
    fontConfig.wait();
    installChineseFonts();
    installChineseQtTexts(app);

    Module1 module;
    QtPlatform platform;
    Form1 window(module, platform, records::RecordsFile::forThisProgram());
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
