// A program run in a Wine virtual desktop reports its exit status through the file that
// VGATV_STATUS_FILE names: the desktop loses the exit code, and tools/wine/run reads it back.
#ifndef VGATV_WINE_STATUS_H
#define VGATV_WINE_STATUS_H

#include <cstdio>
#include <cstdlib>

inline int ReportStatus(int status)
{
    if (const char *path = std::getenv("VGATV_STATUS_FILE"))
        if (std::FILE *out = std::fopen(path, "w")) {
            std::fprintf(out, "%d\n", status);
            std::fclose(out);
        }
    return status;
}

#endif
