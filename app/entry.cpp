// The program's own entry point: it needs nothing from a C runtime, and msvcrt.dll
// is missing from many Windows 95 installations.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

// Kept by name: the linker, not the code, refers to the entry point.
extern "C" __attribute__((used)) void WinMainCRTStartup()
{
    ExitProcess(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT));
}

// The compiler may emit calls to these for aggregate initialisation and copies, even after
// link-time optimisation has seen no caller. Volatile stores keep the loops from being turned
// back into calls to themselves.
extern "C" __attribute__((used)) void *memset(void *dest, int value, size_t count)
{
    auto *p = static_cast<volatile unsigned char *>(dest);
    while (count--)
        *p++ = static_cast<unsigned char>(value);
    return dest;
}

extern "C" __attribute__((used)) void *memcpy(void *dest, const void *src, size_t count)
{
    auto *d = static_cast<volatile unsigned char *>(dest);
    const auto *s = static_cast<const unsigned char *>(src);
    while (count--)
        *d++ = *s++;
    return dest;
}
