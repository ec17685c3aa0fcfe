// The command line: Qt's own options reach Qt, --help and --version answer in
// QCommandLineParser's usual form, anything else is a mistake.
#include "game/commandline.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Request)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void readsTheArguments_data();
    void readsTheArguments();
    void repliesInQtsUsualForm();
};

void TestCommandLine::readsTheArguments_data()
{
    using Request = CommandLine::Request;
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("mistake");
    QTest::newRow("none: play") << "" << Request::Play << "";
    QTest::newRow("Qt's platform") << "-platform offscreen" << Request::Play << "";
    QTest::newRow("Qt's options, one dash or two, value after = or a space")
        << "-display :1 --style=fusion -reverse -qwindowgeometry 537x300+0+0 -session s1 -stylesheet a.qss -nograb"
        << Request::Play << "";
    QTest::newRow("-h") << "-h" << Request::Help << "";
    QTest::newRow("--help") << "--help" << Request::Help << "";
    QTest::newRow("--help-all") << "--help-all" << Request::HelpAll << "";
    QTest::newRow("-v") << "-v" << Request::Version << "";
    QTest::newRow("--version") << "--version" << Request::Version << "";
    QTest::newRow("version before help, as Qt answers") << "--help -v" << Request::Version << "";
    QTest::newRow("help with Qt's options") << "-platform xcb --help" << Request::Help << "";
    QTest::newRow("unknown option") << "--bogus" << Request::Mistake << "Unknown option 'bogus'.";
    QTest::newRow("unknown option, one dash") << "-bogus" << Request::Mistake << "Unknown option 'bogus'.";
    QTest::newRow("short options are not bundled") << "-hv" << Request::Mistake << "Unknown option 'hv'.";
    QTest::newRow("Qt's option without its value") << "-platform" << Request::Mistake
                                                   << "Missing value after '-platform'.";
    QTest::newRow("an argument: the game takes none") << "dat.ini" << Request::Mistake
                                                      << "Unexpected argument 'dat.ini'.";
}

void TestCommandLine::readsTheArguments()
{
    QFETCH(QString, arguments);
    QFETCH(CommandLine::Request, request);
    QFETCH(QString, mistake);
    const CommandLine read =
        readCommandLine(QStringList{"varnoth"} + arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    QCOMPARE(read.request, request);
    QCOMPARE(read.mistake, mistake);
}

void TestCommandLine::repliesInQtsUsualForm()
{
    const CommandLineReply version = replyTo({CommandLine::Request::Version, {}});
    QVERIFY2(QRegularExpression("^varnoth \\d+\\.\\d+\\.\\d+\\n$").match(version.out).hasMatch(), qPrintable(version.out));
    QCOMPARE(version.exitCode, 0);

    const CommandLineReply help = replyTo({CommandLine::Request::Help, {}});
    QVERIFY2(help.out.startsWith("Usage: ") && help.out.contains(" [options]\n"), qPrintable(help.out));
    QVERIFY(help.out.contains("-h, --help"));
    QVERIFY(help.out.contains("-v, --version"));
    QVERIFY2(!help.out.contains("-platform"), "Qt's options are for --help-all");
    QVERIFY(help.err.isEmpty());
    QCOMPARE(help.exitCode, 0);

    const CommandLineReply helpAll = replyTo({CommandLine::Request::HelpAll, {}});
    QVERIFY(helpAll.out.contains("--platform <platformName[:options]>"));
    QVERIFY(helpAll.out.contains("--display <display>"));

    const CommandLineReply mistake = replyTo({CommandLine::Request::Mistake, "Unknown option 'bogus'."});
    QVERIFY(mistake.out.isEmpty());
    QCOMPARE(mistake.err, QStringLiteral("varnoth: Unknown option 'bogus'.\n"));
    QCOMPARE(mistake.exitCode, 2);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
