// The console the program was started from, for the few texts it prints (--help,
// --version, a mistake on the command line). On POSIX (console_unix.cpp) standard output
// and standard error are already there. A Windows program with windows has none of its
// own (console_win.cpp): it borrows its starter's console, unless its output goes to a
// file or a pipe already.
#pragma once

void reachStartingConsole();
