#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The game's command line, read the way Qt reads one: its own options are -h/--help,
// --help-all, -v/--version; Qt's own (-platform, -display, -style, -reverse, ...) are
// accepted and left to QApplication, which acts on them.
struct CommandLine {
    enum class Request { Play, Help, HelpAll, Version, Mistake };
    Request request = Request::Play;
    QString mistake;  // for Mistake: what was wrong, in QCommandLineParser's words
};

// Reads the arguments, the program's name first. Needs no application object.
CommandLine readCommandLine(const QStringList& arguments);

// The text the program prints for a request that is not Play, in QCommandLineParser's
// usual form, and the code it then exits with: help and version to standard output with
// 0, a mistake to standard error with 2. Needs a QCoreApplication (for the program's name).
struct CommandLineReply {
    QString out;
    QString err;
    int exitCode = 0;
};
CommandLineReply replyTo(const CommandLine& commandLine);

// main()'s first step: answers --help, --version and mistakes with a QCoreApplication
// only, so without a display, and returns the exit code; nothing when the game should start.
std::optional<int> answerCommandLine(int argc, char* argv[]);
