// DEVELOPMENT STAND-IN for the board maker's "kessra.dll": never ship it as the real library.
// It accepts every call, tells no board anything, and appends one line per call to the
// file that KESSRA_LOG names, so that people and tests can see what the panel asked.
// With KESSRA_CLOCK set, each line also ends with the performance counter at the call,
// so that a benchmark can time a press up to the moment the board hears of it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const char *Describe(unsigned op, unsigned value)
{
    struct Meaning { unsigned op, value; const char *words; };
    static const Meaning kMeanings[] = {
        {0x30, 0x00, "VGA only"},
        {0x30, 0x21, "VGA only, VGA output on"},
        {0x31, 0x00, "TV only, NTSC"},
        {0x31, 0x01, "TV only, PAL"},
        {0x31, 0x10, "TV only, 1:1 scale"},
        {0x31, 0x11, "TV only, down scale"},
        {0x32, 0x00, "TV and VGA, standard NTSC (60 Hz)"},
        {0x32, 0x01, "TV and VGA, standard PAL640 (50 Hz)"},
        {0x32, 0x02, "TV and VGA, standard PAL800 (50 Hz)"},
        {0x32, 0x20, "TV and VGA on"},
        {0x32, 0x21, "TV and VGA off, VGA only"},
        {0x32, 0x30, "TV and VGA, flicker filter one step on"},
        {0x32, 0x40, "TV and VGA, picture one step right"},
        {0x32, 0x41, "TV and VGA, picture one step down"},
    };
    for (const Meaning &m : kMeanings)
        if (m.op == op && m.value == value)
            return m.words;
    return "unknown command";
}

}

extern "C" __declspec(dllexport) int __stdcall Dravik(std::uint16_t op, std::uint16_t value, std::uint16_t arg)
{
    const char *path = std::getenv("KESSRA_LOG");
    if (!path || !*path)
        return 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Opened per call, so every line is on disk before the panel goes on.
    if (std::FILE *log = std::fopen(path, "a")) {
        if (op == 0x28)
            std::fprintf(log, "Dravik(0x%X, 0x%X, 0x%X)  whole setting: mode byte 0x%02X, picture at x %u, y %u",
                         op, value, arg, value, arg & 0xFFu, arg >> 8);
        else
            std::fprintf(log, "Dravik(0x%X, 0x%X, 0x%X)  %s", op, value, arg, Describe(op, value));
        const char *clock = std::getenv("KESSRA_CLOCK");
        if (clock && *clock)
            std::fprintf(log, "  at %lld", static_cast<long long>(now.QuadPart));
        std::fputc('\n', log);
        std::fclose(log);
    }
    return 0;
}
