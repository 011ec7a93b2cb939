// The one kit for programs that drive the panel under Wine (the end-to-end driver, the bench,
// panelshot, the store test): starting it, finding its windows, reading its controls, the
// screen, the board log, and the registry where it keeps its settings.
#ifndef VGATV_WINE_KIT_H
#define VGATV_WINE_KIT_H

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"

// Every real-time limit is ScaledMs of its time on a machine that runs the program itself: in an
// emulated one (tools/x86-machine) everything takes VGATV_TIME_SCALE times as long.
DWORD ScaledMs(DWORD ms);
inline const DWORD kTimeoutMs = ScaledMs(10000);
// "within 10 s", as the limit stands here.
std::string Within();
constexpr char kPanelCaption[] = "VGA to TV";
constexpr POINT kLogoAt{25, 45}; // in the panel's client area

// Where the panel keeps its settings, under HKEY_LOCAL_MACHINE.
constexpr char kNtRoot[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0";
constexpr char k9xRoot[] = "SOFTWARE\\Corvane\\Lumivex\\8";
constexpr char kNtKey[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0\\Parameters";
constexpr char k9xKey[] = "SOFTWARE\\Corvane\\Lumivex\\8\\VGATV";
constexpr char kNtValue[] = "TVXYPos";

// The settings as the tests see them: wide enough for any value the 9x layout holds.
struct Record {
    DWORD mode = 0, pal = 0, scale = 0, standard = 0, flicker = 0, x = 0, y = 0;
};

// The 9x layout's values in the order the panel loads them, and the bits of each it keeps.
struct StoredField {
    const char *name;
    DWORD Record::*field;
    DWORD mask;
};
inline constexpr StoredField k9xValues[] = {
    {"TVOUT", &Record::mode, 0xFF},  {"PAL", &Record::pal, 0xFFFFFFFF}, {"PAL_VANTOR", &Record::standard, 0xFF},
    {"Scale1:1", &Record::scale, 0xFFFFFFFF}, {"x", &Record::x, 0xFF}, {"y", &Record::y, 0xFF},
    {"Flicker", &Record::flicker, 0xFFFF},
};

DWORD PackRecord(const Record &r);
Record UnpackRecord(DWORD word);
// A stored value as the panel reads it, whatever its type: at most four bytes, little-endian;
// a longer one reads as missing, 0.
DWORD AsRead(const std::string &data);
// The record the layout holds now, as the panel would load it.
Record StoredRecord(bool nt);
bool StoreRecord(const Record &r, bool nt);

// HKLM values as type and bytes. ReadValue is false when the value is not there.
bool ReadValue(const std::string &key, const std::string &name, DWORD &type, std::string &data);
bool WriteValue(const std::string &key, const std::string &name, DWORD type, const std::string &data);
bool WriteDword(const std::string &key, const std::string &name, DWORD value);
bool KeyExists(const std::string &key);
bool DeleteKey(const std::string &key); // with everything under it; true when it is gone
bool ResetKey(const std::string &key);  // deleted and made again, empty
// The Windows family a program sees: "9x", "nt" or "none" (Wine's per-program version).
bool SetFamily(const std::string &exeName, const std::string &family);
void ForgetFamily(const std::string &exeName);

std::string Utf8(const wchar_t *text);
std::string WindowText(HWND hwnd);
std::string WindowClass(HWND hwnd);
bool SameText(const std::string &a, const std::string &b); // case-insensitive, for class names
bool IsChecked(HWND control);
// Pumps this thread's messages (SendMessageCallback replies arrive that way) while polling.
bool WaitUntil(const std::function<bool()> &done, DWORD ms);

// What the screen shows, as 0xRRGGBB pixels, rows top down.
struct Picture {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
    bool operator==(const Picture &other) const
    {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// Keeps one bitmap of the screen's size, so that polling the screen stays cheap.
class Screen {
public:
    Screen();
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;
    ~Screen();
    // The part of the rectangle that lies on the screen.
    Picture Capture(RECT onScreen);
    Picture CaptureClient(HWND hwnd);

private:
    int width_, height_;
    HDC screen_, memory_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const DWORD *bits_ = nullptr;
};

// The logo bitmap of the program's resources, in the pixels the screen would show.
bool LoadLogo(const std::string &exe, Picture &out);
// What the screen shows where the logo belongs in the window's client area.
Picture LogoPlace(Screen &screen, HWND hwnd, const Picture &logo);
// A picture as a 32-bit BMP file.
bool SavePicture(const Picture &picture, const std::string &path);

// The stand-in board's log: one line per call of Dravik.
struct BoardLog {
    std::string path;
    size_t offset = 0; // how far NewLines has read
    std::vector<std::string> NewLines(); // complete lines since the last call
};

// A program started as a user would, with the stand-in's log beside it. Wine now and then loses
// a new process before any of its code runs: the tool then ends at once with the status "lost",
// and tools/wine/run, the one place that retries, runs the tool again.
class Program {
public:
    // The stand-in logs to a temporary file, or to logPath, which outlives the Program.
    explicit Program(const std::string &exePath, const std::string &logPath = "");
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;
    ~Program();

    // "" once its dialog or a message box is up, or it has ended. A tool that times the start
    // looks more often than every 10 ms, or the look itself would be the end point.
    std::string Start(DWORD pollMs = 10);
    void Kill();
    bool Started() const { return info_.hProcess != nullptr; }
    bool Ended(DWORD waitMs = 0);
    DWORD ExitCode();
    HANDLE Handle() const { return info_.hProcess; }
    HWND Dialog();     // its visible dialog captioned "VGA to TV"
    HWND OpenMessageBox(); // a message box of its own, if one is open
    HWND TopWindow(const std::string &cls);
    BoardLog &Log() { return log_; }

    std::string exe, name, dir;

private:
    HWND FindTop(const char *cls, const std::function<bool(HWND)> &match);

    PROCESS_INFORMATION info_{};
    HWND dialog_ = nullptr;
    BoardLog log_;
    std::string loaded_; // the file the stand-in makes as it loads
    bool keepLog_;
};

// A program run in a Wine virtual desktop reports its exit status through the file that
// VGATV_STATUS_FILE names: the desktop loses the exit code, and tools/wine/run reads it back.
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
    WriteStatus((std::to_string(status) + "\n").c_str());
    return status;
}

// Written before main, so that tools/wine/run can tell a program that Wine lost before it
// ran (an empty file) from one that ended without reporting. A kit program is a GUI
// program in a Wine virtual desktop, with no console, so its output goes to the file that
// VGATV_OUTPUT_FILE names, which tools/wine/run shows when the program ends.
struct StatusRunning {
    StatusRunning()
    {
        WriteStatus("running\n");
        if (const char *path = std::getenv("VGATV_OUTPUT_FILE")) {
            std::freopen(path, "a", stdout);
            std::freopen(path, "a", stderr);
        }
    }
};
inline StatusRunning statusRunning;

#endif
