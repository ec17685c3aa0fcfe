#include "system/console.h"

#include <cstdio>

#include <windows.h>

namespace {

bool isRedirected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void reachStartingConsole()
{
    const bool outRedirected = isRedirected(STD_OUTPUT_HANDLE);
    const bool errRedirected = isRedirected(STD_ERROR_HANDLE);
    if ((outRedirected && errRedirected) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // The prompt came back when the program started; the text goes on the line after it.
    if (!outRedirected && std::freopen("CONOUT$", "w", stdout))
        std::fputs("\n", stdout);
    if (!errRedirected)
        static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}
