#include "game/commandline.h"

#include "system/console.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

const QString programName = QStringLiteral("varnoth");

// Only the game's own options are described: Qt's are left to QApplication, which knows
// its own. Qt takes its options with one dash (-platform, -reverse), so every option is
// read as a whole word; otherwise -reverse would be read as -r -e -v ... and ask for the
// version.
void describe(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Open the lock by guessing its code of four different digits.\n"
                       "Any other option goes to Qt as it is (-platform, -style, ...)."));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Displays this help.")));
    // Help as other Qt programs take it (-? on Windows, --help-all), rather than a window.
    // Qt's own options are not listed: they are Qt's to describe.
    QCommandLineOption otherHelp(QStringList{QStringLiteral("?"), QStringLiteral("help-all")});
    otherHelp.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(otherHelp);
    parser.addVersionOption();
}

}  // namespace

CommandLineRequest readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    describe(parser);
    // Qt's options are unknown to this parser, so it reports them as errors; they are not
    // the game's to judge, and the game's own options are found all the same.
    (void)parser.parse(arguments);
    // In the order QCommandLineParser::process() answers them.
    if (parser.isSet(QStringLiteral("version")))
        return CommandLineRequest::Version;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return CommandLineRequest::Help;
    return CommandLineRequest::Play;
}

QString replyTo(CommandLineRequest request)
{
    switch (request) {
    case CommandLineRequest::Version:
        return programName + QStringLiteral(" " VARNOTH_VERSION "\n");
    case CommandLineRequest::Help: {
        QCommandLineParser parser;
        describe(parser);
        return parser.helpText();
    }
    case CommandLineRequest::Play:
        break;
    }
    return {};
}

std::optional<int> answerCommandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineRequest request = readCommandLine(arguments);
    if (request == CommandLineRequest::Play)
        return std::nullopt;
    const QCoreApplication app(argc, argv);  // the program's name for the usage line; no display
    const QString reply = replyTo(request);
    reachStartingConsole();
    std::fputs(qPrintable(reply), stdout);
    return 0;
}
