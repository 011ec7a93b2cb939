// Which Windows family the program runs on; it picks the registry layout.
#include "app.h"
#include "../settings/settings.h"

void DetectPlatformFamily()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = 148;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        IsWin9x = 1;
        IsNT = 0;
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        IsWin9x = 0;
        IsNT = 1;
    }
}
