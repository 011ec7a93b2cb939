// `make bench`: the panel against a bare program that shows the same dialog, both started,
// used and closed the way a user does it, under Wine in one virtual desktop; writes one table.
// Usage: vgatv-bench PANEL64 BASELINE64 PANEL86 BASELINE86 OUTDIR [LAUNCHES [COMMANDS]]
// The registry keys it touches are put back as they were when it ends.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/wine/start.h"
#include "tools/wine/status.h"

namespace {

constexpr char kTitle[] = "VGA to TV";
constexpr int kIdOk = 114;
constexpr int kIdLeftRight = 112;
constexpr WORD kIdLogo = 10;
constexpr int kLogoX = 25, kLogoY = 45;
constexpr DWORD kTimeoutMs = 10000;
constexpr UINT kSendTimeoutMs = 5000;
constexpr double kSettledMs = 500;
// Lets Wine finish tearing down the previous program, which otherwise slows the next one's start.
constexpr DWORD kPauseBetweenLaunchesMs = 150;
constexpr int kWarmupCommands = 20;
constexpr WORD kUnknownCommand = 0x7777;

constexpr double kStartupTarget = 1.10;
constexpr double kClosingTarget = 1.10;
constexpr double kLatencyTargetMs = 1.0;
constexpr LONGLONG kProductSizeTarget = 12 * 1024;

constexpr char kKeyNT[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0\\Parameters";
constexpr char kKey9x[] = "SOFTWARE\\Corvane\\Lumivex\\8\\VGATV";
constexpr const char *kValues9x[] = {"TVOUT", "PAL", "PAL_VANTOR", "Scale1:1", "x", "y", "Flicker"};
constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
// The stand-in's line for one Left/Right press in TV-and-VGA mode.
constexpr char kStepRightLine[] = "Dravik(0x32, 0x40, 0x32)";

[[noreturn]] void Fail(const std::string &what)
{
    throw std::runtime_error(what);
}

// The performance counter is one clock for every process here, the stand-in's included.
double TicksToMs(long long ticks)
{
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart / 1000.0;
    }();
    return ticks / ticksPerMs;
}

double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return TicksToMs(now.QuadPart);
}

std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Every key and value the run writes, or the panel writes for it, is put back at the end:
// values as they were, keys that did not exist deleted from the first missing one down.
class RegistryGuard {
public:
    RegistryGuard() = default;
    RegistryGuard(const RegistryGuard &) = delete;
    RegistryGuard &operator=(const RegistryGuard &) = delete;
    ~RegistryGuard() { Restore(); }

    void Keep(HKEY root, const std::string &key, const char *name)
    {
        KeepKey(root, key);
        Saved saved{root, key, name, false, 0, {}};
        HKEY hkey;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &hkey) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (RegQueryValueExA(hkey, name, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
                saved.data.resize(size);
                saved.existed = RegQueryValueExA(hkey, name, nullptr, &saved.type, saved.data.data(), &size)
                             == ERROR_SUCCESS;
            }
            RegCloseKey(hkey);
        }
        values_.push_back(saved);
    }

    void Restore()
    {
        for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
            if (it->existed)
                RegSetKeyValueA(it->root, it->key.c_str(), it->name.c_str(), it->type, it->data.data(),
                                static_cast<DWORD>(it->data.size()));
            else
                RegDeleteKeyValueA(it->root, it->key.c_str(), it->name.c_str());
        }
        // Given a subkey's name, RegDeleteTree deletes that key too.
        for (auto it = newKeys_.rbegin(); it != newKeys_.rend(); ++it)
            RegDeleteTreeA(it->first, it->second.c_str());
        values_.clear();
        newKeys_.clear();
    }

private:
    struct Saved {
        HKEY root;
        std::string key, name;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };

    void KeepKey(HKEY root, const std::string &key)
    {
        for (std::size_t end = 0; end != std::string::npos;) {
            end = key.find('\\', end + 1);
            std::string path = key.substr(0, end);
            for (const auto &known : newKeys_)
                if (known.first == root && path.rfind(known.second, 0) == 0)
                    return;
            HKEY hkey;
            if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) {
                newKeys_.emplace_back(root, path);
                return;
            }
            RegCloseKey(hkey);
        }
    }

    std::vector<Saved> values_;
    std::vector<std::pair<HKEY, std::string>> newKeys_;
};

void SetValue(HKEY root, const std::string &key, const char *name, DWORD type, const void *data, DWORD size)
{
    if (RegSetKeyValueA(root, key.c_str(), name, type, data, size) != ERROR_SUCCESS)
        Fail("cannot write registry value " + key + "\\" + name);
}

void SetDword(HKEY root, const std::string &key, const char *name, DWORD value)
{
    SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

DWORD GetDword(HKEY root, const char *key, const char *name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        Fail(std::string("registry value missing after closing: ") + key + "\\" + name);
    return value;
}

struct Layout {
    const char *name;
    const char *windowsVersion;
    bool nt;
};

constexpr Layout kNT{"NT", "winxp", true};
constexpr Layout k9x{"9x", "win98", false};

struct Program {
    std::string path;
    bool panel;

    std::string ExeName() const { return path.substr(path.find_last_of("\\/") + 1); }
};

// Stored: TV and VGA, standard NTSC, picture at 0,0. At 800 pixels the panel moves NTSC to
// PAL640 when it opens, so the standard read back after closing shows that the save ran.
void StoreSettings(const Layout &layout)
{
    if (layout.nt) {
        SetDword(HKEY_LOCAL_MACHINE, kKeyNT, "TVXYPos", 0x00020000);
    } else {
        for (const char *name : kValues9x)
            SetDword(HKEY_LOCAL_MACHINE, kKey9x, name, 0);
        SetDword(HKEY_LOCAL_MACHINE, kKey9x, "TVOUT", 2);
    }
}

void CheckSaved(const Layout &layout, unsigned steps)
{
    bool saved;
    if (layout.nt) {
        saved = GetDword(HKEY_LOCAL_MACHINE, kKeyNT, "TVXYPos") == (0x00120000u | (steps & 31));
    } else {
        saved = GetDword(HKEY_LOCAL_MACHINE, kKey9x, "PAL_VANTOR") == 1
             && GetDword(HKEY_LOCAL_MACHINE, kKey9x, "x") == (steps & 31);
    }
    if (!saved)
        Fail(std::string("the panel did not save its settings on closing, ") + layout.name + " layout");
}

// Both programs run as the same Windows family, so Wine treats them alike.
void ChooseLayout(const Layout &layout, const std::vector<Program> &programs)
{
    for (const Program &program : programs)
        SetValue(HKEY_CURRENT_USER, kAppDefaults + program.ExeName(), "Version", REG_SZ, layout.windowsVersion,
                 static_cast<DWORD>(std::strlen(layout.windowsVersion) + 1));
    StoreSettings(layout);
}

class Process {
public:
    explicit Process(const std::string &path)
    {
        if (!StartProgram(path.c_str(), nullptr, nullptr, info_))
            Fail("cannot start " + path);
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;
    ~Process()
    {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

struct Picture {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;

    bool operator==(const Picture &other) const
    {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// Reads what the screen shows, as the user sees it, into 32-bit pixels without the unused byte.
class Screen {
public:
    Screen()
        : width_(GetSystemMetrics(SM_CXSCREEN)), height_(GetSystemMetrics(SM_CYSCREEN)),
          screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_)
            Fail("cannot make a bitmap of the screen's size");
        bits_ = static_cast<const DWORD *>(bits);
        old_ = SelectObject(memory_, bitmap_);
    }
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;
    ~Screen()
    {
        SelectObject(memory_, old_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }

    HDC Dc() const { return screen_; }

    // The part of the window's client area that lies on the screen.
    void CaptureClient(HWND window, Picture &picture)
    {
        RECT client;
        GetClientRect(window, &client);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        OffsetRect(&client, origin.x, origin.y);
        RECT screen{0, 0, width_, height_}, visible;
        if (!IntersectRect(&visible, &client, &screen)) {
            picture = Picture{};
            return;
        }
        int width = visible.right - visible.left, height = visible.bottom - visible.top;
        BitBlt(memory_, 0, 0, width, height, screen_, visible.left, visible.top, SRCCOPY);
        GdiFlush();
        picture.width = width;
        picture.height = height;
        picture.pixels.resize(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.pixels[std::size_t(y) * width + x] = bits_[std::size_t(y) * width_ + x] & 0xFFFFFF;
    }

private:
    int width_, height_;
    HDC screen_, memory_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const DWORD *bits_ = nullptr;
};

HWND FindDialog(DWORD processId)
{
    HWND dialog = nullptr;
    while ((dialog = FindWindowExA(nullptr, dialog, "#32770", kTitle))) {
        DWORD owner;
        GetWindowThreadProcessId(dialog, &owner);
        if (owner == processId)
            return dialog;
    }
    return nullptr;
}

HWND WaitForDialog(const Process &process, double deadline)
{
    for (;;) {
        HWND dialog = FindDialog(process.Id());
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        if (WaitForSingleObject(process.Handle(), 0) == WAIT_OBJECT_0)
            Fail("the program ended before its dialog appeared");
        if (NowMs() > deadline)
            Fail("the dialog did not appear");
        Sleep(1);
    }
}

// The dialog's client area once it has not changed for kSettledMs.
Picture WaitUntilSettled(Screen &screen, HWND dialog)
{
    double deadline = NowMs() + kTimeoutMs, since = NowMs();
    Picture last, now;
    screen.CaptureClient(dialog, last);
    for (;;) {
        Sleep(20);
        screen.CaptureClient(dialog, now);
        if (!(now == last)) {
            std::swap(now, last);
            since = NowMs();
        } else if (last.width > 0 && NowMs() - since >= kSettledMs) {
            return last;
        }
        if (NowMs() > deadline)
            Fail("the dialog did not stop changing");
    }
}

// The logo as the panel's resources hold it, in the pixels the screen would show.
Picture LogoPicture(HDC screen, const std::string &panelPath)
{
    HMODULE module = LoadLibraryExA(panelPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP logo = module ? LoadBitmapA(module, MAKEINTRESOURCEA(kIdLogo)) : nullptr;
    BITMAP size{};
    if (!logo || !GetObjectA(logo, sizeof size, &size))
        Fail("cannot load the logo from " + panelPath);
    Picture picture;
    picture.width = size.bmWidth;
    picture.height = size.bmHeight;
    picture.pixels.resize(std::size_t(size.bmWidth) * size.bmHeight);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, size.bmWidth, -size.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(screen, logo, 0, size.bmHeight, picture.pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD &pixel : picture.pixels)
        pixel &= 0xFFFFFF;
    DeleteObject(logo);
    FreeLibrary(module);
    return picture;
}

bool ShowsLogo(const Picture &client, const Picture &logo)
{
    if (client.width < kLogoX + logo.width || client.height < kLogoY + logo.height)
        return false;
    for (int y = 0; y < logo.height; ++y)
        for (int x = 0; x < logo.width; ++x)
            if (client.pixels[std::size_t(kLogoY + y) * client.width + kLogoX + x]
                != logo.pixels[std::size_t(y) * logo.width + x])
                return false;
    return true;
}

struct Run {
    double startupMs;
    double closingMs;
    SIZE_T peakWorkingSet;
};

// One launch: start-up runs from just before process creation until the screen first shows
// the dialog's client area as it looks once settled; closing from the OK press to process exit.
class Launch {
public:
    explicit Launch(const Program &program)
        : start_(NowMs()), process_(program.path), dialog_(WaitForDialog(process_, start_ + kTimeoutMs))
    {
    }

    HWND Dialog() const { return dialog_; }
    const Process &Proc() const { return process_; }

    double WaitForPicture(Screen &screen, const Picture &settled)
    {
        double deadline = start_ + kTimeoutMs;
        Picture now;
        for (;;) {
            screen.CaptureClient(dialog_, now);
            if (now == settled)
                return NowMs() - start_;
            if (NowMs() > deadline)
                Fail("the dialog never showed its settled picture");
            Sleep(1);
        }
    }

    SIZE_T PeakWorkingSet() const
    {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(process_.Handle(), &counters, sizeof counters))
            Fail("cannot read the process's memory counters");
        return counters.PeakWorkingSetSize;
    }

    double CloseWithOk()
    {
        HWND ok = GetDlgItem(dialog_, kIdOk);
        if (!ok)
            Fail("the dialog has no OK button");
        double begin = NowMs();
        DWORD_PTR result;
        SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &result);
        if (WaitForSingleObject(process_.Handle(), kTimeoutMs) != WAIT_OBJECT_0)
            Fail("the program did not end after OK");
        double end = NowMs();
        DWORD code = 1;
        GetExitCodeProcess(process_.Handle(), &code);
        if (code != 0)
            Fail(Format("the program ended with exit code %lu", code));
        return end - begin;
    }

private:
    double start_;
    Process process_;
    HWND dialog_;
};

// Reads what the stand-in appends to its log.
class LogTail {
public:
    explicit LogTail(const std::string &path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr))
    {
        if (file_ == INVALID_HANDLE_VALUE)
            Fail("no board log at " + path);
        ReadNew();
    }
    LogTail(const LogTail &) = delete;
    LogTail &operator=(const LogTail &) = delete;
    ~LogTail() { CloseHandle(file_); }

    std::string ReadNew()
    {
        LARGE_INTEGER size;
        GetFileSizeEx(file_, &size);
        std::string text(std::size_t(size.QuadPart - offset_), '\0');
        LARGE_INTEGER at;
        at.QuadPart = offset_;
        DWORD read = 0;
        if (!text.empty()) {
            SetFilePointerEx(file_, at, nullptr, FILE_BEGIN);
            ReadFile(file_, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
        }
        text.resize(read);
        offset_ += read;
        return text;
    }

private:
    HANDLE file_;
    LONGLONG offset_ = 0;
};

struct Stats {
    double median = 0, q1 = 0, q3 = 0, min = 0, max = 0;
};

Stats Summarise(std::vector<double> samples)
{
    Stats s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    auto quantile = [&](double q) {
        double at = q * (samples.size() - 1);
        std::size_t below = static_cast<std::size_t>(at);
        double above = below + 1 < samples.size() ? samples[below + 1] : samples[below];
        return samples[below] + (at - below) * (above - samples[below]);
    };
    s.median = quantile(0.5);
    s.q1 = quantile(0.25);
    s.q3 = quantile(0.75);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

std::string Time(const Stats &s, const char *unit = "ms", double scale = 1)
{
    int digits = s.median * scale < 10 ? 2 : s.median * scale < 100 ? 1 : 0;
    return Format("%.*f %s [%.*f-%.*f] (%.*f-%.*f)", digits, s.median * scale, unit, digits, s.q1 * scale, digits,
                  s.q3 * scale, digits, s.min * scale, digits, s.max * scale);
}

LONGLONG FileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        Fail("cannot find " + path);
    return LONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::string WineVersion()
{
    using Getter = const char *(CDECL *)();
    auto get = reinterpret_cast<Getter>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return get ? std::string("Wine ") + get() : "not Wine";
}

struct Results {
    std::vector<double> startup[2][2], closing[2][2]; // [layout NT, 9x][panel, baseline]
    std::vector<double> peak[2];
    std::vector<double> commands[2], nullMessages, refreshOnly, standIn; // commands: [panel, baseline]
    std::vector<double> arrivals; // from the press to the board call
};

// Presses of Left/Right, each once the program is idle again, since every press repaints the button.
// With a log, each press must have reached the board exactly once before it counts, and the
// stand-in's time stamp on its line gives when.
void Press(const Launch &launch, LogTail *log, int count, std::vector<double> &samples, std::vector<double> *arrivals)
{
    HWND button = GetDlgItem(launch.Dialog(), kIdLeftRight);
    if (!button || !IsWindowEnabled(button))
        Fail("Left/Right is not enabled: the panel is not in TV-and-VGA mode");
    DWORD_PTR reply;
    for (int i = 0; i < kWarmupCommands + count; ++i) {
        WaitForInputIdle(launch.Proc().Handle(), kTimeoutMs);
        double begin = NowMs();
        if (!SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &reply))
            Fail(Format("press %d of Left/Right went unanswered", i + 1));
        double end = NowMs();
        if (log) {
            std::string line = log->ReadNew();
            std::size_t at = line.rfind(" at ");
            if (line.rfind(kStepRightLine, 0) != 0 || std::count(line.begin(), line.end(), '\n') != 1
                || at == std::string::npos)
                Fail(Format("press %d of Left/Right: the board got \"%s\"", i + 1, line.c_str()));
            if (i >= kWarmupCommands)
                arrivals->push_back(TicksToMs(std::stoll(line.substr(at + 4))) - begin);
        }
        if (i >= kWarmupCommands)
            samples.push_back(end - begin);
    }
}

double TimeMessage(const Launch &launch, UINT message, WPARAM wParam)
{
    WaitForInputIdle(launch.Proc().Handle(), kTimeoutMs);
    DWORD_PTR reply;
    double begin = NowMs();
    if (!SendMessageTimeoutA(launch.Dialog(), message, wParam, 0, SMTO_NORMAL, kSendTimeoutMs, &reply))
        Fail(Format("message 0x%X went unanswered", message));
    return NowMs() - begin;
}

// The panel's presses against the same presses on the baseline's button, which runs no command;
// then parts of the panel's press alone: the cross-process message, the refresh of the controls
// that follows every command, and the stand-in's call, made here in-process.
void MeasureCommands(Screen &screen, const std::vector<Program> &programs, const std::string &logPath, int count,
                     Results &results)
{
    DeleteFileA(logPath.c_str());
    {
        Launch panel(programs[0]);
        WaitUntilSettled(screen, panel.Dialog());
        LogTail log(logPath);
        Press(panel, &log, count, results.commands[0], &results.arrivals);
        // A command id the panel does not know runs only the refresh that follows every command.
        for (int i = 0; i < count; ++i) {
            results.nullMessages.push_back(TimeMessage(panel, WM_NULL, 0));
            results.refreshOnly.push_back(TimeMessage(panel, WM_COMMAND, MAKEWPARAM(kUnknownCommand, BN_CLICKED)));
        }
        if (!log.ReadNew().empty())
            Fail("a command the panel does not know reached the board");
        panel.CloseWithOk();
        CheckSaved(kNT, kWarmupCommands + count);
    }
    {
        Launch baseline(programs[1]);
        WaitUntilSettled(screen, baseline.Dialog());
        Press(baseline, nullptr, count, results.commands[1], nullptr);
        baseline.CloseWithOk();
    }

    std::string dllPath = programs[0].path.substr(0, programs[0].path.find_last_of("\\/") + 1) + "kessra.dll";
    HMODULE dll = LoadLibraryA(dllPath.c_str());
    using DravikFn = int(WINAPI *)(WORD, WORD, WORD);
    auto dravik = dll ? reinterpret_cast<DravikFn>(reinterpret_cast<void *>(GetProcAddress(dll, "Dravik"))) : nullptr;
    if (!dravik)
        Fail("cannot load Dravik from " + dllPath);
    LogTail log(logPath);
    for (int i = 0; i < count; ++i) {
        double begin = NowMs();
        dravik(0x32, 0x40, 0x32);
        results.standIn.push_back(NowMs() - begin);
    }
    FreeLibrary(dll);
    std::string lines = log.ReadNew();
    if (std::count(lines.begin(), lines.end(), '\n') != count)
        Fail("the stand-in did not log every call made to it in-process");
}

const char *Verdict(bool met)
{
    return met ? "pass" : "miss";
}

std::string Table(const Results &r, const std::vector<Program> &programs, const std::string &panel86,
                  const std::string &baseline86, int launches, int commands)
{
    std::string out;
    auto row = [&](const std::string &what, const std::string &panel, const std::string &baseline,
                   const std::string &ratio, const char *target, const char *result) {
        out += "| " + what + " | " + panel + " | " + baseline + " | " + ratio + " | " + target + " | " + result
             + " |\n";
    };
    out += Format("%s, virtual desktop %dx%d; %d launches of each program in each layout, interleaved; "
                  "%d commands.\n\n",
                  WineVersion().c_str(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), launches,
                  commands);
    row("measure", "panel", "baseline", "panel/baseline", "target", "result");
    out += "|---|---|---|---|---|---|\n";
    const Layout *layouts[] = {&kNT, &k9x};
    for (int l = 0; l < 2; ++l) {
        Stats p = Summarise(r.startup[l][0]), b = Summarise(r.startup[l][1]);
        double ratio = p.median / b.median;
        row(Format("start-up, %s layout", layouts[l]->name), Time(p), Time(b), Format("%.3fx", ratio),
            "<= 1.10x", Verdict(ratio <= kStartupTarget));
    }
    Stats c = Summarise(r.commands[0]), cb = Summarise(r.commands[1]);
    Stats arrival = Summarise(r.arrivals);
    row("command latency, Left/Right in TV and VGA (BM_CLICK to the board call)", Time(arrival, "us", 1000), "-",
        "-", "< 1 ms median", Verdict(arrival.median < kLatencyTargetMs));
    row("- the whole BM_CLICK round trip, with the refresh after the call", Time(c, "us", 1000),
        Time(cb, "us", 1000), Format("%.2fx", c.median / cb.median), "-", "-");
    Stats refresh = Summarise(r.refreshOnly), null = Summarise(r.nullMessages);
    row("- part: the stand-in's Dravik alone, in-process", Time(Summarise(r.standIn), "us", 1000), "-", "-", "-",
        "-");
    row("- part: the refresh after the call (round trip of WM_COMMAND, unknown id)", Time(refresh, "us", 1000), "-",
        "-", "-", "-");
    row("- part: a cross-process SendMessage (WM_NULL)", Time(null, "us", 1000), "-", "-", "-", "-");
    for (int l = 0; l < 2; ++l) {
        Stats p = Summarise(r.closing[l][0]), b = Summarise(r.closing[l][1]);
        double ratio = p.median / b.median;
        row(Format("closing, %s layout (OK to exit, with the save)", layouts[l]->name), Time(p), Time(b),
            Format("%.3fx", ratio), "<= 1.10x", Verdict(ratio <= kClosingTarget));
    }
    LONGLONG p86 = FileSize(panel86), b86 = FileSize(baseline86);
    row("size, windows-x86 (the product)", Format("%lld B", p86), Format("%lld B", b86),
        Format("%.2fx", double(p86) / b86), "<= 12288 B", Verdict(p86 <= kProductSizeTarget));
    LONGLONG p64 = FileSize(programs[0].path), b64 = FileSize(programs[1].path);
    row("size, windows-x64", Format("%lld B", p64), Format("%lld B", b64), Format("%.2fx", double(p64) / b64), "-",
        "-");
    Stats pm = Summarise(r.peak[0]), bm = Summarise(r.peak[1]);
    row("peak working set before closing", Format("%.0f KiB", pm.median / 1024), Format("%.0f KiB", bm.median / 1024),
        Format("%.3fx", pm.median / bm.median), "-", "-");
    out += "\nTimes: median [interquartile range] (min-max).\n"
           "Start-up: from just before CreateProcess until the screen first shows the dialog's client area\n"
           "exactly as it looks once settled (for the panel, with its logo).\n"
           "Command latency: from just before SendMessage(BM_CLICK) on Left/Right until the performance\n"
           "counter the stand-in reads as the call reaches it. The round trip adds the panel's refresh after\n"
           "the call; its baseline column is the same press on the baseline's button, which runs no command.\n"
           "Closing: from the OK press until the process has ended.\n";
    return out;
}

int Bench(int argc, char **argv, std::string &outDir)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: vgatv-bench PANEL64 BASELINE64 PANEL86 BASELINE86 OUTDIR [LAUNCHES [COMMANDS]]\n");
        return 2;
    }
    const std::vector<Program> programs{{argv[1], true}, {argv[2], false}};
    const std::string panel86 = argv[3], baseline86 = argv[4];
    outDir = argv[5];
    const int launches = argc > 6 ? std::max(1, std::atoi(argv[6])) : 50;
    const int commands = argc > 7 ? std::max(1, std::atoi(argv[7])) : 1000;
    const std::string logPath = outDir + "\\board.log";
    // Through the C runtime, so that the stand-in sees it when the harness loads it too.
    _putenv(("KESSRA_LOG=" + logPath).c_str());
    _putenv("KESSRA_CLOCK=1");

    RegistryGuard registry;
    for (const Program &program : programs)
        registry.Keep(HKEY_CURRENT_USER, kAppDefaults + program.ExeName(), "Version");
    registry.Keep(HKEY_LOCAL_MACHINE, kKeyNT, "TVXYPos");
    for (const char *name : kValues9x)
        registry.Keep(HKEY_LOCAL_MACHINE, kKey9x, name);

    Screen screen;
    const Picture logo = LogoPicture(screen.Dc(), programs[0].path);
    const Layout *layouts[] = {&kNT, &k9x};

    // A first launch of each settles its picture, the end point of its later start-ups.
    Picture settled[2][2];
    for (int l = 0; l < 2; ++l)
        for (int p = 0; p < 2; ++p) {
            ChooseLayout(*layouts[l], programs);
            Launch launch(programs[p]);
            settled[l][p] = WaitUntilSettled(screen, launch.Dialog());
            if (programs[p].panel && !ShowsLogo(settled[l][p], logo))
                Fail(std::string("the settled panel does not show the logo, ") + layouts[l]->name + " layout");
            launch.CloseWithOk();
            if (programs[p].panel)
                CheckSaved(*layouts[l], 0);
        }

    Results results;
    for (int round = 0; round < launches; ++round)
        for (int k = 0; k < 4; ++k) {
            int which = (round + k) % 4, l = which / 2, p = which % 2;
            ChooseLayout(*layouts[l], programs);
            Sleep(kPauseBetweenLaunchesMs);
            Launch launch(programs[p]);
            results.startup[l][p].push_back(launch.WaitForPicture(screen, settled[l][p]));
            results.peak[p].push_back(double(launch.PeakWorkingSet()));
            results.closing[l][p].push_back(launch.CloseWithOk());
            if (programs[p].panel)
                CheckSaved(*layouts[l], 0);
        }

    ChooseLayout(kNT, programs);
    MeasureCommands(screen, programs, logPath, commands, results);

    std::string table = Table(results, programs, panel86, baseline86, launches, commands);
    if (FILE *out = std::fopen((outDir + "\\table.md").c_str(), "wb")) {
        std::fputs(table.c_str(), out);
        std::fclose(out);
    }
    return 0;
}

}

// A program in a virtual desktop has no terminal: a failure goes to a file beside the table.
int main(int argc, char **argv)
{
    std::string outDir;
    try {
        return ReportStatus(Bench(argc, argv, outDir));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "vgatv-bench: %s\n", error.what());
        if (FILE *out = outDir.empty() ? nullptr : std::fopen((outDir + "\\error.txt").c_str(), "wb")) {
            std::fprintf(out, "%s\n", error.what());
            std::fclose(out);
        }
        return ReportStatus(1);
    }
}
