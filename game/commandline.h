#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The game's command line. The game answers -h/--help and -v/--version itself; every
// other argument is Qt's: QApplication takes its own options (-platform, -display,
// -style, -reverse, ...) and ignores the rest, as it does for any Qt program.
enum class CommandLineRequest { Play, Help, Version };

// What the arguments ask for, the program's name first. Needs no application object.
CommandLineRequest readCommandLine(const QStringList& arguments);

// The text printed to standard output for Help or Version, in QCommandLineParser's
// usual form. Needs a QCoreApplication (for the program's name in the usage line).
QString replyTo(CommandLineRequest request);

// main()'s first step: answers --help and --version with a QCoreApplication only, so
// without a display, and returns the exit code; nothing when the game should start.
std::optional<int> answerCommandLine(int argc, char* argv[]);
