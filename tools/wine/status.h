// A program run in a Wine virtual desktop reports its exit status through the file that
// VGATV_STATUS_FILE names: the desktop loses the exit code, and tools/wine/run reads it back.
#ifndef VGATV_WINE_STATUS_H
#define VGATV_WINE_STATUS_H

#include <cstdio>
#include <cstdlib>

inline void WriteStatus(const char *text)
{
    if (const char *path = std::getenv("VGATV_STATUS_FILE"))
        if (std::FILE *out = std::fopen(path, "w")) {
            std::fputs(text, out);
            std::fclose(out);
        }
}

inline int ReportStatus(int status)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d\n", status);
    WriteStatus(text);
    return status;
}

// Written before main, so that tools/wine/run can tell a program that Wine lost
// before it ran (an empty file) from one that ended without reporting.
struct StatusRunning {
    StatusRunning() { WriteStatus("running\n"); }
};
inline StatusRunning statusRunning;

#endif
