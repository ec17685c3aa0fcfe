// The command line: --help and --version answer in QCommandLineParser's usual form,
// everything else is left to Qt.
#include "game/commandline.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(CommandLineRequest)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void readsTheArguments_data();
    void readsTheArguments();
    void repliesInQtsUsualForm();
};

void TestCommandLine::readsTheArguments_data()
{
    using Request = CommandLineRequest;
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<Request>("request");
    QTest::newRow("none: play") << "" << Request::Play;
    QTest::newRow("Qt's options, one dash or two, are whole words (-reverse holds a v, -stylesheet an h)")
        << "-platform offscreen --style=fusion -reverse -stylesheet a.qss -qwindowgeometry 537x300+0+0"
        << Request::Play;
    QTest::newRow("anything else is Qt's to ignore") << "--bogus -hv dat.ini" << Request::Play;
    QTest::newRow("-h") << "-h" << Request::Help;
    QTest::newRow("--help") << "--help" << Request::Help;
    QTest::newRow("-help") << "-help" << Request::Help;
    QTest::newRow("--help-all, which Qt programs take") << "--help-all" << Request::Help;
    QTest::newRow("-v") << "-v" << Request::Version;
    QTest::newRow("--version") << "--version" << Request::Version;
    QTest::newRow("version before help, as Qt answers") << "--help -v" << Request::Version;
    QTest::newRow("help among Qt's options") << "-platform xcb --bogus --help" << Request::Help;
}

void TestCommandLine::readsTheArguments()
{
    QFETCH(QString, arguments);
    QFETCH(CommandLineRequest, request);
    QCOMPARE(readCommandLine(QStringList{"varnoth"} + arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts)),
             request);
}

void TestCommandLine::repliesInQtsUsualForm()
{
    const QString version = replyTo(CommandLineRequest::Version);
    QVERIFY2(QRegularExpression("^varnoth \\d+\\.\\d+\\.\\d+\\n$").match(version).hasMatch(), qPrintable(version));

    const QString help = replyTo(CommandLineRequest::Help);
    QVERIFY2(help.startsWith("Usage: ") && help.contains(" [options]\n"), qPrintable(help));
    QVERIFY(help.contains("-h, --help"));
    QVERIFY(help.contains("-v, --version"));
    QVERIFY2(!help.contains("help-all"), "the game cannot list Qt's options, so it does not offer to");
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
