// `make bench`: the panel against a bare program that shows the same dialog, both started,
// used and closed the way a user does it, under Wine in one virtual desktop; writes the table of
// its own build, which bench/run sets beside the other build's.
#include "tools/wine/kit.h"

#include <psapi.h>

#include <algorithm>

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kSettledMs = 500;
// Lets Wine finish tearing down the previous program, which otherwise slows the next one's start.
constexpr DWORD kPauseBetweenLaunchesMs = 150;
constexpr int kWarmupCommands = 20;
constexpr WORD kUnknownCommand = 0x7777;
constexpr double kStartupTarget = 1.10, kClosingTarget = 1.10, kLatencyTargetMs = 1.0;
constexpr LONGLONG kProductSizeTarget = 12 * 1024;
// Built in both presets: under WoW64 only a harness of the panel's bitness sees the registry and
// loads the stand-in as the panel does.
constexpr bool kProduct = sizeof(void *) == 4;
constexpr const char *kArch = kProduct ? "x86" : "x64";
// The stand-in's line for one Left/Right press in TV-and-VGA mode.
constexpr char kStepRightLine[] = "Dravik(0x32, 0x40, 0x32)";

struct Layout {
    const char *name, *family;
    bool nt;
};
constexpr Layout kLayouts[] = {{"NT", "nt", true}, {"9x", "9x", false}};
enum { kPanel, kBaseline };

struct Args {
    std::string panel, baseline, outDir;
    int launches, commands;
};

struct Results {
    std::vector<double> startup[2][2], closing[2][2]; // [layout][kPanel, kBaseline]
    std::vector<double> peak[2], presses[2];          // [kPanel, kBaseline]
    std::vector<double> arrivals, standIn, refreshOnly, nullMessages;
    LONGLONG size[2] = {};                            // [kPanel, kBaseline]
};

// The performance counter is one clock for every process here, the stand-in's included.
double TicksToMs(long long ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1000.0 / frequency.QuadPart;
}

double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return TicksToMs(now.QuadPart);
}

template <typename... Values>
std::string Format(const char *format, Values... values)
{
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Every step returns false with the reason in error, so that a run stops at its first failure.
bool Fail(std::string &error, const std::string &what)
{
    error = what;
    return false;
}

// Stored: TV and VGA, standard NTSC, picture at 0,0. Both programs run as the same Windows
// family, so that Wine treats them alike.
bool ChooseLayout(const Layout &layout, Program *const programs[2], std::string &error)
{
    bool chosen = StoreRecord(Record{2}, layout.nt);
    for (int p : {kPanel, kBaseline})
        chosen = SetFamily(programs[p]->name, layout.family) && chosen;
    return chosen || Fail(error, std::string("cannot choose the ") + layout.name + " layout");
}

// At 800 pixels the panel moves the stored NTSC to PAL640 as it opens, so PAL640 read back
// after closing shows that the save ran; each Left/Right press moved the picture one step.
bool CheckSaved(const Layout &layout, unsigned steps, std::string &error)
{
    Record saved{2, 0, 0, 1, 0, steps & 31}; // mode, pal, scale, standard, flicker, x
    return PackRecord(StoredRecord(layout.nt)) == PackRecord(saved)
        || Fail(error, std::string("the panel did not save its settings on closing, ") + layout.name + " layout");
}

// The kit looks for the dialog every millisecond: the baseline's is settled as soon as it shows.
bool Open(Program &program, std::string &error)
{
    error = program.Start(1);
    return error.empty()
        && (program.Dialog() || Fail(error, program.name + " ended or showed a message box instead of its dialog"));
}

// Opened, then its dialog's client area once it has not changed for kSettledMs.
bool OpenSettled(Program &program, Screen &screen, Picture &settled, std::string &error)
{
    if (!Open(program, error))
        return false;
    DWORD since = GetTickCount();
    auto unchanged = [&, dialog = program.Dialog()] {
        Picture now = screen.CaptureClient(dialog);
        if (!(now == settled)) {
            settled = std::move(now);
            since = GetTickCount();
        }
        return settled.width > 0 && GetTickCount() - since >= kSettledMs;
    };
    return WaitUntil(unchanged, kTimeoutMs) || Fail(error, "the dialog did not stop changing");
}

// From just before the start until the screen first shows the dialog's settled picture. The
// screen is polled with a 1 ms sleep: WaitUntil's 10 ms steps would blur the end point.
bool TimeStartup(Program &program, Screen &screen, const Picture &settled, std::vector<double> &samples,
                 std::string &error)
{
    double begin = NowMs();
    if (!Open(program, error))
        return false;
    for (HWND dialog = program.Dialog(); !(screen.CaptureClient(dialog) == settled); Sleep(1))
        if (NowMs() - begin > kTimeoutMs)
            return Fail(error, program.name + ": the dialog never showed its settled picture");
    samples.push_back(NowMs() - begin);
    return true;
}

// From the OK press until the process has ended, which it must with exit code 0.
bool TimeClosing(Program &program, std::string &error, std::vector<double> *samples = nullptr)
{
    HWND ok = GetDlgItem(program.Dialog(), IDC_OK);
    double begin = NowMs();
    SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, nullptr);
    if (!program.Ended(kTimeoutMs))
        return Fail(error, program.name + " did not end after OK");
    if (samples)
        samples->push_back(NowMs() - begin);
    return program.ExitCode() == 0
        || Fail(error, Format("%s ended with exit code %lu", program.name.c_str(), program.ExitCode()));
}

// Launches interleaved in an order that rotates every round; a first, untimed round settles the
// picture that later start-ups end at, which for the panel must show its logo.
bool MeasureLaunches(Program *const programs[2], Screen &screen, int launches, Results &r, std::string &error)
{
    Picture logo, settled[2][2];
    if (!LoadLogo(programs[kPanel]->exe, logo))
        return Fail(error, "cannot load the logo from " + programs[kPanel]->exe);
    for (int round = -1; round < launches; ++round)
        for (int k = 0; k < 4; ++k) {
            int which = (std::max(round, 0) + k) % 4, l = which / 2, p = which % 2;
            Program &program = *programs[p];
            if (!ChooseLayout(kLayouts[l], programs, error))
                return false;
            if (round < 0) {
                if (!OpenSettled(program, screen, settled[l][p], error))
                    return false;
                if (p == kPanel && !(LogoPlace(screen, program.Dialog(), logo) == logo))
                    return Fail(error, std::string("the settled panel does not show the logo, ") + kLayouts[l].name);
            } else {
                Sleep(kPauseBetweenLaunchesMs);
                if (!TimeStartup(program, screen, settled[l][p], r.startup[l][p], error))
                    return false;
                PROCESS_MEMORY_COUNTERS memory{};
                memory.cb = sizeof memory;
                if (!GetProcessMemoryInfo(program.Handle(), &memory, sizeof memory))
                    return Fail(error, "cannot read the memory counters of " + program.name);
                r.peak[p].push_back(double(memory.PeakWorkingSetSize));
            }
            if (!(TimeClosing(program, error, round < 0 ? nullptr : &r.closing[l][p])
                  && (p == kBaseline || CheckSaved(kLayouts[l], 0, error))))
                return false;
        }
    return true;
}

// Sent once the program is idle again, since every press repaints; begin is the time just before.
bool TimeMessage(Program &program, HWND to, UINT message, WPARAM wParam, std::vector<double> *samples, double &begin,
                 std::string &error)
{
    WaitForInputIdle(program.Handle(), kTimeoutMs);
    begin = NowMs();
    if (!SendMessageTimeoutA(to, message, wParam, 0, SMTO_NORMAL, kSendTimeoutMs, nullptr))
        return Fail(error, Format("message 0x%X went unanswered", message));
    if (samples)
        samples->push_back(NowMs() - begin);
    return true;
}

// On the panel each press must reach the board exactly once; the stand-in's stamp on that line says when.
bool Press(Program &program, int count, std::vector<double> &presses, std::vector<double> *arrivals,
           std::string &error)
{
    HWND button = GetDlgItem(program.Dialog(), IDC_LEFTRIGHT);
    if (!button || !IsWindowEnabled(button))
        return Fail(error, "Left/Right is not enabled: the panel is not in TV-and-VGA mode");
    program.Log().NewLines(); // the board calls of its start-up
    for (int i = 0; i < kWarmupCommands + count; ++i) {
        double begin;
        if (!TimeMessage(program, button, BM_CLICK, 0, i < kWarmupCommands ? nullptr : &presses, begin, error))
            return Fail(error, Format("press %d of Left/Right went unanswered", i + 1));
        std::vector<std::string> lines = program.Log().NewLines();
        std::size_t at = lines.size() == 1 ? lines[0].rfind(" at ") : std::string::npos;
        if (arrivals && (at == std::string::npos || lines[0].rfind(kStepRightLine, 0) != 0))
            return Fail(error, Format("press %d of Left/Right: the board got %zu lines, the first \"%s\"", i + 1,
                                      lines.size(), lines.empty() ? "" : lines[0].c_str()));
        if (arrivals && i >= kWarmupCommands)
            arrivals->push_back(TicksToMs(std::strtoll(lines[0].c_str() + at + 4, nullptr, 10)) - begin);
    }
    return true;
}

// The stand-in's Dravik loaded into the harness and called directly. It reads KESSRA_LOG through
// the C runtime, whose copy of the environment the kit's SetEnvironmentVariable does not reach.
bool TimeStandIn(BoardLog &log, const std::string &dir, int count, std::vector<double> &samples, std::string &error)
{
    _putenv(("KESSRA_LOG=" + log.path).c_str());
    log.NewLines();
    HMODULE dll = LoadLibraryA((dir + "kessra.dll").c_str());
    using DravikFn = int(WINAPI *)(WORD, WORD, WORD);
    auto dravik = dll ? reinterpret_cast<DravikFn>(reinterpret_cast<void *>(GetProcAddress(dll, "Dravik"))) : nullptr;
    if (!dravik)
        return Fail(error, "cannot load Dravik from " + dir + "kessra.dll");
    for (int i = 0; i < count; ++i) {
        double begin = NowMs();
        dravik(0x32, 0x40, 0x32);
        samples.push_back(NowMs() - begin);
    }
    FreeLibrary(dll);
    return log.NewLines().size() == std::size_t(count)
        || Fail(error, "the stand-in did not log every call made to it in-process");
}

// The baseline's Left/Right runs no command: its presses are Wine's own cost. A command id the panel
// does not know runs only the refresh that follows every command.
bool MeasureCommands(Program *const programs[2], Screen &screen, int count, Results &r, std::string &error)
{
    Program &panel = *programs[kPanel], &baseline = *programs[kBaseline];
    Picture settled[2];
    double begin;
    if (!(ChooseLayout(kLayouts[0], programs, error) && OpenSettled(panel, screen, settled[kPanel], error)
          && Press(panel, count, r.presses[kPanel], &r.arrivals, error)))
        return false;
    for (int i = 0; i < count; ++i)
        if (!(TimeMessage(panel, panel.Dialog(), WM_NULL, 0, &r.nullMessages, begin, error)
              && TimeMessage(panel, panel.Dialog(), WM_COMMAND, MAKEWPARAM(kUnknownCommand, BN_CLICKED), &r.refreshOnly,
                             begin, error)))
            return false;
    return (panel.Log().NewLines().empty() || Fail(error, "a command the panel does not know reached the board"))
        && TimeClosing(panel, error) && CheckSaved(kLayouts[0], kWarmupCommands + count, error)
        && OpenSettled(baseline, screen, settled[kBaseline], error)
        && Press(baseline, count, r.presses[kBaseline], nullptr, error) && TimeClosing(baseline, error)
        && TimeStandIn(panel.Log(), panel.dir, count, r.standIn, error);
}

bool ReadSizes(Program *const programs[2], LONGLONG size[2], std::string &error)
{
    for (int p : {kPanel, kBaseline}) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(programs[p]->exe.c_str(), GetFileExInfoStandard, &data))
            return Fail(error, "cannot find " + programs[p]->exe);
        size[p] = LONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }
    return true;
}

// Between the two nearest samples, in proportion; 0 when there are none.
double Quantile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    double at = q * (samples.size() - 1);
    std::size_t below = static_cast<std::size_t>(at);
    double above = below + 1 < samples.size() ? samples[below + 1] : samples[below];
    return samples[below] + (at - below) * (above - samples[below]);
}

std::string Time(const std::vector<double> &samples, const char *unit = "ms", double scale = 1)
{
    auto at = [&](double q) { return Quantile(samples, q) * scale; };
    int digits = at(0.5) < 10 ? 2 : at(0.5) < 100 ? 1 : 0;
    return Format("%.*f %s [%.*f-%.*f] (%.*f-%.*f)", digits, at(0.5), unit, digits, at(0.25), digits, at(0.75), digits,
                  at(0), digits, at(1));
}

std::string Us(const std::vector<double> &samples)
{
    return Time(samples, "us", 1000);
}

const char *Verdict(bool met)
{
    return met ? "pass" : "miss";
}

// The measure and its target come first: bench/run keeps them once and sets the other build's
// columns beside these.
std::string Row(const std::string &what, const std::string &target, const std::string &panel,
                const std::string &baseline = "-", const std::string &ratio = "-", const char *result = "-")
{
    return "| " + what + " | " + target + " | " + panel + " | " + baseline + " | " + ratio + " | " + result + " |\n";
}

std::string RatioRow(const std::string &what, const std::vector<double> (&samples)[2], double target)
{
    double ratio = Quantile(samples[kPanel], 0.5) / Quantile(samples[kBaseline], 0.5);
    return Row(what, Format("<= %.2fx", target), Time(samples[kPanel]), Time(samples[kBaseline]),
               Format("%.3fx", ratio), Verdict(ratio <= target));
}

std::string Table(const Results &r, int launches, int commands)
{
    auto wine = reinterpret_cast<const char *(CDECL *)()>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    std::string out = Format("%s%s, virtual desktop %dx%d; %d launches of each program in each layout, interleaved; "
                             "%d commands.\n\n", wine ? "Wine " : "not Wine", wine ? wine() : "",
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), launches, commands);
    out += Row("measure", "target", Format("%s panel", kArch), Format("%s baseline", kArch),
               Format("%s panel/baseline", kArch), Format("%s result", kArch).c_str())
         + "|---|---|---|---|---|---|\n";
    for (int l = 0; l < 2; ++l)
        out += RatioRow(Format("start-up, %s layout", kLayouts[l].name), r.startup[l], kStartupTarget);
    out += Row("command latency, Left/Right in TV and VGA (BM_CLICK to the board call)", "< 1 ms median",
               Us(r.arrivals), "-", "-", Verdict(Quantile(r.arrivals, 0.5) < kLatencyTargetMs));
    out += Row("- the whole BM_CLICK round trip, with the refresh after the call", "-", Us(r.presses[kPanel]),
               Us(r.presses[kBaseline]),
               Format("%.2fx", Quantile(r.presses[kPanel], 0.5) / Quantile(r.presses[kBaseline], 0.5)));
    out += Row("- part: the stand-in's Dravik alone, in-process", "-", Us(r.standIn));
    out += Row("- part: the refresh after the call (round trip of WM_COMMAND, unknown id)", "-", Us(r.refreshOnly));
    out += Row("- part: a cross-process SendMessage (WM_NULL)", "-", Us(r.nullMessages));
    for (int l = 0; l < 2; ++l)
        out += RatioRow(Format("closing, %s layout (OK to exit, with the save)", kLayouts[l].name), r.closing[l],
                        kClosingTarget);
    // The size target is the shipped program's: the x64 twin's size is shown, not judged.
    out += Row("size", Format("<= %lld B (x86, the product)", kProductSizeTarget), Format("%lld B", r.size[kPanel]),
               Format("%lld B", r.size[kBaseline]), Format("%.2fx", double(r.size[kPanel]) / r.size[kBaseline]),
               kProduct ? Verdict(r.size[kPanel] <= kProductSizeTarget) : "-");
    double peak = Quantile(r.peak[kPanel], 0.5), peakBaseline = Quantile(r.peak[kBaseline], 0.5);
    out += Row("peak working set before closing", "-", Format("%.0f KiB", peak / 1024),
               Format("%.0f KiB", peakBaseline / 1024), Format("%.3fx", peak / peakBaseline));
    out += "\nTimes: median [interquartile range] (min-max).\n"
           "x86 and x64: each build against its own baseline, driven by a harness built with it, one after\n"
           "the other in the same run and the same Wine prefix.\n"
           "Start-up: from just before CreateProcess until the screen first shows the dialog's client area\n"
           "exactly as it looks once settled (for the panel, with its logo).\n"
           "Command latency: from just before SendMessage(BM_CLICK) on Left/Right until the performance\n"
           "counter the stand-in reads as the call reaches it. The round trip adds the panel's refresh after\n"
           "the call; its baseline column is the same press on the baseline's button, which runs no command.\n"
           "Closing: from the OK press until the process has ended.\n";
    return out;
}

// The bench's prefix is its own (build/wine-bench), so it need not keep what was stored before.
std::string Bench(const Args &args, std::string &table)
{
    Program panel(args.panel, args.outDir + "\\" + kArch + "-board.log"), baseline(args.baseline);
    Program *const programs[] = {&panel, &baseline};
    Screen screen;
    Results results;
    std::string error;
    if (((ResetKey(kNtKey) && ResetKey(k9xKey)) || Fail(error, "cannot empty the settings keys"))
        && MeasureLaunches(programs, screen, args.launches, results, error)
        && MeasureCommands(programs, screen, args.commands, results, error)
        && ReadSizes(programs, results.size, error))
        table = Table(results, args.launches, args.commands);
    DeleteKey(kNtKey);
    DeleteKey(k9xKey);
    ForgetFamily(panel.name);
    ForgetFamily(baseline.name);
    return error;
}

}

// A program in a virtual desktop has no terminal: a failure goes to a file beside the table.
int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: vgatv-bench PANEL BASELINE OUTDIR [LAUNCHES [COMMANDS]]\n");
        return ReportStatus(2);
    }
    const Args args{argv[1], argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 50,
                    argc > 5 ? std::max(1, std::atoi(argv[5])) : 1000};
    // Inherited by both programs: the stand-in stamps each line with the time of the call.
    _putenv("KESSRA_CLOCK=1");
    std::string table, error = Bench(args, table);
    if (!error.empty())
        std::fprintf(stderr, "vgatv-bench (%s): %s\n", kArch, error.c_str());
    std::string path = Format("%s\\%s-%s", args.outDir.c_str(), kArch, error.empty() ? "table.md" : "error.txt");
    if (FILE *out = std::fopen(path.c_str(), "wb")) {
        std::fputs(error.empty() ? table.c_str() : (error + "\n").c_str(), out);
        std::fclose(out);
    }
    return ReportStatus(error.empty() ? 0 : 1);
}
