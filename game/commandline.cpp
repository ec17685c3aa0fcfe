#include "game/commandline.h"

#include "system/console.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

const QString programName = QStringLiteral("varnoth");

// The options that QGuiApplication, QApplication and Qt's X11 plugin take out of the
// command line for themselves. The game accepts them, so that they reach Qt; --help-all
// lists them.
struct QtOption {
    const char* name;
    const char* valueName;  // nullptr for a switch
    const char* description;
};
const QtOption qtOptions[] = {
    {"platform", "platformName[:options]", "Platform plugin: xcb (X11), wayland, offscreen, ..."},
    {"platformpluginpath", "path", "Where to look for platform plugins."},
    {"platformtheme", "theme", "Platform theme."},
    {"plugin", "plugin", "An additional plugin to load."},
    {"qwindowgeometry", "geometry", "Size and place of the window, as WxH+X+Y."},
    {"qwindowicon", "icon", "Window icon."},
    {"qwindowtitle", "title", "Window title."},
    {"reverse", nullptr, "Lays the window out from right to left."},
    {"session", "session", "Restores an earlier session."},
    {"style", "style", "Widget style."},
    {"stylesheet", "file", "Style sheet."},
    {"widgetcount", nullptr, "Reports the widgets left at exit."},
    {"testability", nullptr, "Loads Qt's testability plugin."},
    {"qmljsdebugger", "value", "QML/JS debugger port."},
    {"display", "display", "X display, instead of $DISPLAY."},
    {"name", "name", "X resource name."},
    {"nograb", nullptr, "Never grabs the mouse and keyboard."},
    {"dograb", nullptr, "Grabs the mouse and keyboard even under a debugger."},
    {"visual", "id", "X visual."},
    {"geometry", "geometry", "Same as -qwindowgeometry."},
    {"icon", "icon", "Same as -qwindowicon."},
    {"title", "title", "Same as -qwindowtitle."},
};

// The game's options, and Qt's, hidden from --help; Qt takes its options with one dash
// (-platform), so every option is read as a whole word.
void describe(QCommandLineParser& parser, bool showQtOptions)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Open the lock by guessing its code of four different digits."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QtOption& qt : qtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name), QString::fromLatin1(qt.description),
                                  qt.valueName ? QString::fromLatin1(qt.valueName) : QString());
        if (!showQtOptions)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    describe(parser, false);
    if (!parser.parse(arguments))
        return {CommandLine::Request::Mistake, parser.errorText()};
    if (!parser.positionalArguments().isEmpty())
        return {CommandLine::Request::Mistake,
                QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst())};
    // In the order QCommandLineParser::process() answers them.
    if (parser.isSet(QStringLiteral("version")))
        return {CommandLine::Request::Version, {}};
    if (parser.isSet(QStringLiteral("help")))
        return {CommandLine::Request::Help, {}};
    if (parser.isSet(QStringLiteral("help-all")))
        return {CommandLine::Request::HelpAll, {}};
    return {};
}

CommandLineReply replyTo(const CommandLine& commandLine)
{
    QCommandLineParser parser;
    describe(parser, commandLine.request == CommandLine::Request::HelpAll);
    switch (commandLine.request) {
    case CommandLine::Request::Version:
        return {programName + QStringLiteral(" " VARNOTH_VERSION "\n"), {}, 0};
    case CommandLine::Request::Help:
    case CommandLine::Request::HelpAll:
        return {parser.helpText(), {}, 0};
    case CommandLine::Request::Mistake:
        // 2, the exit code of a usage mistake, tells it apart from a game that failed.
        return {{}, programName + QStringLiteral(": ") + commandLine.mistake + QLatin1Char('\n'), 2};
    case CommandLine::Request::Play:
        break;
    }
    return {};
}

std::optional<int> answerCommandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = readCommandLine(arguments);
    if (commandLine.request == CommandLine::Request::Play)
        return std::nullopt;
    const QCoreApplication app(argc, argv);  // the program's name for the usage line; no display
    const CommandLineReply reply = replyTo(commandLine);
    reachStartingConsole();
    std::fputs(qPrintable(reply.out), stdout);
    std::fputs(qPrintable(reply.err), stderr);
    return reply.exitCode;
}
