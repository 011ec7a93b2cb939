// Starting a program under Wine. Wine now and then loses a new process before any of its
// code runs, and CreateProcess then fails with ERROR_INTERNAL_ERROR: since the program has
// done nothing yet, it is started again, up to three times.
#ifndef VGATV_WINE_START_H
#define VGATV_WINE_START_H

#include <windows.h>

#include <cstdio>

inline BOOL StartProgram(const char *exe, char *commandLine, const char *dir, PROCESS_INFORMATION &info)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, dir, &startup, &info))
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return FALSE;
        std::fprintf(stderr, "note: Wine lost %s while starting it; starting it again\n", exe);
        Sleep(200);
    }
}

#endif
