// The console the program was started from, for the few texts it prints (--help,
// --version, a mistake on the command line) and its log. On POSIX (console_unix.cpp)
// standard output and standard error are already there. A Windows program with windows
// has none of its own (console_win.cpp): it borrows its starter's console, unless its
// output goes to a file or a pipe already.
#pragma once

#include <QString>
#include <cstdio>

void reachStartingConsole();

// A line for the log: standard error, after the program's name.
inline void logLine(const QString& line) { std::fprintf(stderr, "varnoth: %s\n", qUtf8Printable(line)); }
