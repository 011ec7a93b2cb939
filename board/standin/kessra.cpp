// DEVELOPMENT STAND-IN for the board maker's "kessra.dll": never ship it as the real library.
// It accepts every call, tells no board anything, and appends one line per call to the
// file that KESSRA_LOG names, so that people and tests can see what the panel asked.
// As it loads, it makes the file that KESSRA_LOADED names: the program's own code runs only
// after its libraries have loaded, so a program that ends without that file never ran.
// The closing command's line also says what the stored word held when the board heard of it,
// so that tests can tell the command came before the write. With KESSRA_CLOCK set, each line
// also ends with the performance counter at the call, so that a benchmark can time a press up
// to the moment the board hears of it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../board.h"

namespace {

const char *Describe(std::uint16_t op, std::uint16_t value)
{
    struct Meaning { BoardOp op; std::uint16_t value; const char *words; };
    // The TV-and-VGA standard goes to the board as the setting's own 0, 1 or 2.
    static const Meaning kMeanings[] = {
        {kOpVga, kVgaOnly, "VGA only"},
        {kOpVga, kVgaOn, "VGA only, VGA output on"},
        {kOpTvOnly, kTvOnlyNtsc, "TV only, NTSC"},
        {kOpTvOnly, kTvOnlyPal, "TV only, PAL"},
        {kOpTvOnly, kScaleOneToOne, "TV only, 1:1 scale"},
        {kOpTvOnly, kScaleDown, "TV only, down scale"},
        {kOpTvVga, 0, "TV and VGA, standard NTSC (60 Hz)"},
        {kOpTvVga, 1, "TV and VGA, standard PAL640 (50 Hz)"},
        {kOpTvVga, 2, "TV and VGA, standard PAL800 (50 Hz)"},
        {kOpTvVga, kTvVgaOn, "TV and VGA on"},
        {kOpTvVga, kVgaOn, "TV and VGA off, VGA only"},
        {kOpTvVga, kFlickerStep, "TV and VGA, flicker filter one step on"},
        {kOpTvVga, kStepRight, "TV and VGA, picture one step right"},
        {kOpTvVga, kStepDown, "TV and VGA, picture one step down"},
    };
    for (const Meaning &m : kMeanings)
        if (m.op == op && m.value == value)
            return m.words;
    return "unknown command";
}

// What the NT layout's stored word holds right now, in words.
void DescribeStoredWord(char *text, std::size_t size)
{
    DWORD type = 0, word = 0, length = sizeof word;
    LONG status = RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0\\Parameters",
                               "TVXYPos", RRF_RT_ANY, &type, &word, &length);
    if (status == ERROR_FILE_NOT_FOUND)
        std::snprintf(text, size, "nothing");
    else if (status == ERROR_SUCCESS && type == REG_DWORD && length == sizeof word)
        std::snprintf(text, size, "0x%lX", word);
    else
        std::snprintf(text, size, "another value");
}

}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void *)
{
    const char *path = std::getenv("KESSRA_LOADED");
    if (reason == DLL_PROCESS_ATTACH && path && *path)
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}

// Exported by its plain name through kessra.def, the same file the panel imports it by.
int DRAVIK_CONVENTION Dravik(std::uint16_t op, std::uint16_t value, std::uint16_t arg)
{
    const char *path = std::getenv("KESSRA_LOG");
    if (!path || !*path)
        return 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Opened per call, so every line is on disk before the panel goes on.
    if (std::FILE *log = std::fopen(path, "a")) {
        if (op == kOpSaveAll) {
            char stored[32];
            DescribeStoredWord(stored, sizeof stored);
            std::fprintf(log, "Dravik(0x%X, 0x%X, 0x%X)  whole setting: mode byte 0x%02X, picture at x %u, y %u;"
                         " TVXYPos held %s", op, value, arg, value, arg & 0xFFu, arg >> 8, stored);
        } else
            std::fprintf(log, "Dravik(0x%X, 0x%X, 0x%X)  %s", op, value, arg, Describe(op, value));
        const char *clock = std::getenv("KESSRA_CLOCK");
        if (clock && *clock)
            std::fprintf(log, "  at %lld", static_cast<long long>(now.QuadPart));
        std::fputc('\n', log);
        std::fclose(log);
    }
    return 0;
}
