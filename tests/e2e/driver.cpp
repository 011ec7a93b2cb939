// e2edrv --width W --exe vgatv.exe FILE...: runs vgatv.exe under Wine and checks it against the
// cases of each scenario FILE that apply at screen width W (README.md lists the directives).
#include "tools/wine/kit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <utility>

namespace {

constexpr const char *kWidths[] = {"640", "720", "800", "1024"};
// What `badvalues` watches: the product maker's key and the board driver's service key.
constexpr const char *kWatchedKeys[] = {"SOFTWARE\\Corvane", "SYSTEM\\CurrentControlSet\\Services\\tarnix"};

using Args = std::vector<std::string>;
using Fields = std::map<std::string, std::string>;
using Entries = std::map<std::string, std::array<std::string, 2>>;

// What the directives share: set by main, and by the directives of the case that runs.
struct Driver {
    Program *panel;
    int width;
    std::string family, storedWord; // storedWord: TVXYPos at `start`, as the stand-in describes it
    LONG_PTR sent, replied, pending; // SendMessageCallback's sequence numbers
} driver;

std::string Quote(const std::string &text)
{
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '\n' ? "\\n" : c == '"' ? "\\\"" : c == '\\' ? "\\\\" : std::string(1, c);
    return quoted + "\"";
}

std::string Hex(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

std::string Differs(const std::string &what, const std::string &expected, const std::string &seen)
{
    return what + ": expected " + expected + ", seen " + seen;
}

std::string Join(const Args &args, size_t from = 0)
{
    std::string joined;
    for (size_t i = from; i < args.size(); ++i)
        joined += (i > from ? " " : "") + args[i];
    return joined;
}

bool Number(const std::string &text, long long &value, int base = 0)
{
    char *end = nullptr;
    value = std::strtoll(text.c_str(), &end, base);
    return !text.empty() && *end == 0;
}

// A number that the directive's shape has checked already.
long long Int(const std::string &text)
{
    return std::strtoll(text.c_str(), nullptr, 0);
}

std::string Widths(const Args &widths, unsigned &mask)
{
    for (const std::string &width : widths) {
        auto known = std::find(std::begin(kWidths), std::end(kWidths), width);
        if (known == std::end(kWidths))
            return "unknown width " + width;
        mask |= 1u << (known - kWidths);
    }
    return widths.empty() ? "no width" : "";
}

// A typed value from `dword N`, `qword N`, `sz "S"` or `binary XX...` at args[at].
std::string RegData(const Args &args, size_t at, DWORD &type, std::string &data)
{
    const std::string &kind = args[at];
    long long value = 0;
    bool one = args.size() == at + 2;
    type = kind == "dword" ? REG_DWORD : kind == "qword" ? REG_QWORD : kind == "sz" ? REG_SZ : REG_BINARY;
    if ((type == REG_DWORD || type == REG_QWORD) && one && Number(args[at + 1], value))
        data.assign(reinterpret_cast<const char *>(&value), type == REG_DWORD ? 4 : 8);
    else if (type == REG_SZ && one)
        data = args[at + 1] + '\0';
    else if (kind != "binary")
        return "expected dword N, qword N, sz \"S\" or binary XX...";
    for (size_t i = at + 1; type == REG_BINARY && i < args.size(); data += char(value), ++i)
        if (!Number(args[i], value, 16) || value < 0 || value > 255)
            return "bad byte " + args[i];
    return "";
}

std::string DescribeValue(DWORD type, const std::string &data)
{
    unsigned long long value = 0;
    if ((type == REG_DWORD && data.size() == 4) || (type == REG_QWORD && data.size() == 8)) {
        std::memcpy(&value, data.data(), data.size());
        return (type == REG_DWORD ? "dword " : "qword ") + Hex(value);
    }
    if (type == REG_SZ)
        return "sz " + Quote(data.substr(0, data.find('\0')));
    std::string described = type == REG_BINARY ? "binary" : "type " + std::to_string(type);
    for (unsigned char byte : data)
        described += {' ', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
    return described;
}

// Every key and value under HKLM\path, each described, as out[...][when].
void Snapshot(const std::string &path, Entries &out, int when)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out["HKLM\\" + path][when] = "present";
    char name[256];
    BYTE data[4096];
    DWORD n = sizeof name, type, size = sizeof data;
    for (DWORD i = 0; RegEnumValueA(key, i++, name, &n, nullptr, &type, data, &size) == ERROR_SUCCESS;
         n = sizeof name, size = sizeof data)
        out["HKLM\\" + path + " " + Quote(name)][when] =
            DescribeValue(type, std::string(reinterpret_cast<char *>(data), size));
    for (DWORD i = 0; RegEnumKeyExA(key, i++, name, &(n = sizeof name), nullptr, nullptr, nullptr, nullptr)
                      == ERROR_SUCCESS;)
        Snapshot(path + "\\" + name, out, when);
    RegCloseKey(key);
}

// The board calls that open the panel at this width, and what the width makes of the record.
Args StartupCalls(Record &r, int width)
{
    r.mode = width > 800 && r.mode == 2 ? 0 : r.mode;
    r.standard = width == 800 && r.mode == 2 && r.standard == 0 ? 1 : r.standard;
    return r.mode == 1 ? Args{"calls", "31:0", r.pal ? "31:1" : "31:0", r.scale ? "31:10" : "31:11"}
         : r.mode == 2 ? Args{"calls", "32:" + Hex(r.standard), "32:20"}
                       : Args{"calls", "30:0", "30:21"};
}

// OK, the board's closing call on NT, the exit, and the values written.
std::vector<Args> Closing(const Record &r, bool nt)
{
    std::vector<Args> steps = {{"click", std::to_string(IDC_OK)}, {"calls"}, {"exited", "0"}};
    for (const StoredField &value : k9xValues)
        if (!nt)
            steps.push_back({"regval", k9xKey, value.name, "dword", Hex(r.*value.field)});
    if (nt) {
        steps[1].push_back("28:" + Hex(PackRecord(r) >> 16 & 0xFF) + ":" + Hex(r.y << 8 | r.x));
        steps.push_back({"regval", kNtKey, kNtValue, "dword", Hex(PackRecord(r))});
    }
    return steps;
}

std::string BoxContent(HWND box)
{
    return Quote(WindowText(box)) + " " + Quote(WindowText(GetDlgItem(box, 0xFFFF)));
}

void CALLBACK OnReply(HWND, UINT, ULONG_PTR sequence, LRESULT)
{
    driver.replied = std::max(driver.replied, LONG_PTR(sequence));
}

// Waits for the last send's reply, which mostly comes at once; a message box may hold it (pending).
std::string Settle()
{
    bool waited = false, handled = WaitUntil([&] {
        return driver.replied >= driver.pending
            || (std::exchange(waited, true) && (driver.panel->OpenMessageBox() || driver.panel->Ended()));
    }, kTimeoutMs);
    driver.pending = driver.replied >= driver.pending || driver.panel->Ended() ? 0 : driver.pending;
    return handled ? "" : "the program did not handle it " + Within();
}

// Sent without blocking on the program's modal loops, so a press that opens a message box returns.
std::string Send(HWND to, UINT message, WPARAM wParam, LPARAM lParam)
{
    driver.pending = ++driver.sent;
    if (!SendMessageCallbackW(to, message, wParam, lParam, OnReply, ULONG_PTR(driver.pending)))
        return "cannot send to the window (error " + std::to_string(GetLastError()) + ")";
    return Settle();
}

std::string PressOk(HWND box)
{
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(ok ? ok : GetWindow(box, GW_CHILD), BM_CLICK, 0, 0);
    return WaitUntil([box] { return !IsWindow(box); }, kTimeoutMs) ? Settle() : "the message box did not close on OK";
}

// Which standard icon a message box shows: each is drawn on the box's background and compared with
// the screen, as Wine cannot read another process's icons.
std::string MessageBoxIcon(HWND box)
{
    HWND icon = nullptr;
    for (HWND hwnd = GetWindow(box, GW_CHILD); hwnd && !icon; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        icon = (GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(hwnd) ? hwnd : nullptr;
    DWORD_PTR shown = 0;
    RECT place;
    if (!icon || !SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, ScaledMs(2000), &shown) || !shown
        || !GetWindowRect(icon, &place))
        return "none";
    Picture seen = Screen().Capture(place), drawn = seen;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, seen.width, -seen.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD *bits = nullptr;
    HDC hdc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits), nullptr, 0);
    HGDIOBJ old = SelectObject(hdc, bitmap);
    const std::pair<const char *, LPCSTR> kIcons[] = {
        {"error", IDI_ERROR}, {"warning", IDI_WARNING}, {"information", IDI_INFORMATION}, {"question", IDI_QUESTION}};
    std::string found = "unknown";
    for (size_t i = 0; bits && !seen.pixels.empty() && i < std::size(kIcons) && found == "unknown"; ++i) {
        // The icon's transparent corner shows the box's background.
        std::fill_n(bits, seen.pixels.size(), seen.pixels[0]);
        DrawIconEx(hdc, 0, 0, LoadIconA(nullptr, kIcons[i].second), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
        GdiFlush();
        std::transform(bits, bits + seen.pixels.size(), drawn.pixels.begin(), [](DWORD p) { return p & 0xFFFFFF; });
        found = drawn == seen ? kIcons[i].first : found;
    }
    SelectObject(hdc, old);
    DeleteObject(bitmap);
    DeleteDC(hdc);
    return found;
}

// The dialog resource APP and its menu, read from the exe as data: each field of the dialog and
// of its items as the directives write it. Wine cannot read another process's menu.
struct Template {
    Fields dialog;
    std::vector<Fields> items;
    std::string menu, menuItems, error;
};

Template ReadTemplate(HMODULE module)
{
    Template t;
    HRSRC found = module ? FindResourceA(module, "APP", MAKEINTRESOURCEA(5) /* RT_DIALOG */) : nullptr;
    const BYTE *data = found ? static_cast<const BYTE *>(LockResource(LoadResource(module, found))) : nullptr;
    const BYTE *at = data;
    auto word = [&] { WORD value; std::memcpy(&value, at, 2); at += 2; return value; };
    auto dword = [&] { DWORD low = word(); return low | DWORD(word()) << 16; };
    auto pair = [&] { int x = short(word()); return std::to_string(x) + " " + std::to_string(short(word())); };
    auto text = [&] {
        std::wstring chars;
        for (WORD c; (c = word()) != 0;)
            chars += wchar_t(c);
        return Utf8(chars.c_str());
    };
    // Empty, a text, or 0xFFFF and an ordinal: for a class, an atom.
    auto name = [&](bool isClass) {
        static const char *const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
        if (WORD(at[0] | at[1] << 8) != 0xFFFF)
            return text();
        at += 2;
        WORD ordinal = word();
        return isClass && ordinal >= 0x80 && ordinal <= 0x85 ? kAtoms[ordinal - 0x80] : "#" + std::to_string(ordinal);
    };
    Fields &dialog = t.dialog;
    if (!data || WORD(data[2] | data[3] << 8) == 0xFFFF) {
        t.error = "no classic dialog template APP in " + driver.panel->exe;
        return t;
    }
    DWORD style = dword();
    dialog["style"] = Hex(style), dialog["extended style"] = Hex(dword());
    int count = word();
    dialog["items"] = std::to_string(count), dialog["pos"] = pair(), dialog["size"] = pair();
    dialog["menu"] = Quote(t.menu = name(false));
    std::string cls = name(true);
    dialog["class"] = cls.empty() ? "none" : Quote(cls), dialog["caption"] = Quote(text());
    int points = style & DS_SETFONT ? word() : 0;
    dialog["font"] = style & DS_SETFONT ? std::to_string(points) + " " + Quote(text()) : "none";
    for (int i = 0; i < count; ++i) {
        at = data + ((at - data + 3) & ~3);
        Fields &item = t.items.emplace_back();
        item["style"] = Hex(dword()), item["extended style"] = Hex(dword());
        item["pos"] = pair(), item["size"] = pair(), item["id"] = std::to_string(word());
        item["class"] = name(true), item["text"] = Quote(name(false));
        at += word(); // creation data
    }
    HMENU menu = LoadMenuA(module, t.menu.c_str());
    for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
        wchar_t item[256] = L"";
        GetMenuStringW(menu, i, item, 256, MF_BYPOSITION);
        t.menuItems += (i ? " " : "") + Quote(Utf8(item));
    }
    t.menuItems = menu ? "[" + t.menuItems + "]" : "no menu resource " + t.menu;
    if (menu)
        DestroyMenu(menu);
    return t;
}

// Loaded once; the exe stays mapped as data until the driver ends.
const Template &DialogTemplate()
{
    static const Template loaded =
        ReadTemplate(LoadLibraryExA(driver.panel->exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    return loaded;
}

std::string Exec(const Args &args);

std::string Script(const std::vector<Args> &steps)
{
    for (const Args &step : steps)
        if (std::string error = Exec(step); !error.empty())
            return Join(step) + ": " + error;
    return "";
}

std::string Repeat(const Args &args)
{
    for (long long i = 1; i <= Int(args[1]); ++i)
        if (std::string error = Exec(Args(args.begin() + 2, args.end())); !error.empty())
            return "repeat " + std::to_string(i) + " of " + args[1] + ": " + error;
    return "";
}

std::string Family(const Args &args)
{
    driver.family = args[1];
    return SetFamily(driver.panel->name, args[1]) ? "" : "cannot set family " + args[1] + " (9x, nt or none)";
}

// NT and 9X at the start of KEY stand for the roots of the two layouts.
std::string Registry(const Args &args)
{
    std::string root = args[1].substr(0, args[1].find('\\')), rest = args[1].substr(root.size());
    std::string key = root == "NT" ? kNtRoot + rest : root == "9X" ? k9xRoot + rest : args[1], where = "HKLM\\" + key;
    const char *present = KeyExists(key) ? "present" : "absent";
    if (args[0] == "delkey")
        return DeleteKey(key) ? "" : "cannot delete " + where;
    if (args[0] == "regkey")
        return args[2] == present ? "" : Differs(where, args[2], present);
    DWORD type = REG_NONE, seenType = REG_NONE;
    std::string data, seenData;
    bool absent = args[0] == "regval" && args.size() == 4 && args[3] == "absent";
    if (std::string error = absent ? "" : RegData(args, 3, type, data); !error.empty())
        return error;
    if (args[0] == "set")
        return WriteValue(key, args[2], type, data) ? "" : "cannot set " + args[2] + " in " + where;
    std::string seen = ReadValue(key, args[2], seenType, seenData) ? DescribeValue(seenType, seenData) : "absent";
    std::string expected = absent ? "absent" : DescribeValue(type, data);
    return seen == expected ? "" : Differs(where + " " + Quote(args[2]), expected, seen);
}

// Real input, as a person gives it, goes to the foreground window. Input comes before painting in
// every message loop: once the dialog has painted again, the program has handled the input, or a
// message box it opened holds it, or it has ended.
std::string Painted()
{
    HWND hDlg = driver.panel->Dialog();
    if (!hDlg || !InvalidateRect(hDlg, nullptr, FALSE))
        return "";
    return WaitUntil([&] { return driver.panel->Ended() || !GetUpdateRect(hDlg, nullptr, FALSE); }, kTimeoutMs)
        ? "" : "the program did not handle the input " + Within();
}

// The panel never writes the NT word before its closing command: the stand-in's line for that
// command must find the word as it was when the program started.
std::string Start(const Args &)
{
    DWORD type = REG_NONE;
    std::string data;
    bool stored = ReadValue(kNtKey, kNtValue, type, data), word = type == REG_DWORD && data.size() == 4;
    driver.storedWord = !stored ? "nothing" : word ? Hex(AsRead(data)) : "another value";
    driver.pending = 0;
    if (std::string error = driver.panel->Start(); !error.empty())
        return error;
    // Checks begin once the program has handled its opening (Wine gives the focus a moment later).
    return Painted();
}

std::string Calls(const Args &args)
{
    auto token = [](unsigned op, unsigned value, unsigned arg) {
        return Hex(op) + ":" + Hex(value) + (arg == op ? "" : ":" + Hex(arg));
    };
    Args expected, seen;
    for (size_t i = 1; i < args.size(); ++i) {
        unsigned op, value, arg;
        char extra;
        int n = std::sscanf(args[i].c_str(), "%x:%x:%x%c", &op, &value, &arg, &extra);
        if (n != 2 && n != 3)
            return "bad call " + args[i] + " (OP:VALUE or OP:VALUE:ARG, in hex)";
        expected.push_back(token(op, value, n == 3 ? arg : op));
    }
    // The log may lag behind the program a little; stop early once it can no longer match.
    std::string early;
    WaitUntil([&] {
        for (const std::string &line : driver.panel->Log().NewLines()) {
            unsigned op, value, arg;
            bool call = std::sscanf(line.c_str(), "Dravik(%x, %x, %x)", &op, &value, &arg) == 3;
            seen.push_back(call ? token(op, value, arg) : Quote(line));
            size_t held = line.find("TVXYPos held ");
            std::string word = held == std::string::npos ? "no word in " + Quote(line) : line.substr(held + 13);
            if (call && op == 0x28 && early.empty() && word != driver.storedWord)
                early = Differs("TVXYPos when the board got the closing call", driver.storedWord, word);
        }
        return seen.size() >= expected.size() || !std::equal(seen.begin(), seen.end(), expected.begin());
    }, ScaledMs(1000));
    return seen != expected ? Differs("calls", "[" + Join(expected) + "]", "[" + Join(seen) + "]") : early;
}

std::string Input(const Args &args)
{
    HWND hDlg = driver.panel->Dialog();
    if (args[0] == "command")
        return Send(hDlg, WM_COMMAND, MAKEWPARAM(Int(args[1]), args.size() > 2 ? Int(args[2]) : 0), 0);
    if (args[0] == "sysclose")
        return Send(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND control = GetDlgItem(hDlg, int(WORD(Int(args[1]))));
    if (control && IsWindowEnabled(control) && IsWindowVisible(control))
        return Send(control, BM_CLICK, 0, 0);
    return "cannot click " + args[1] + ": it is "
         + (!control ? "not there" : IsWindowEnabled(control) ? "hidden" : "disabled");
}

std::string SendReal(std::vector<INPUT> inputs)
{
    HWND hDlg = driver.panel->Dialog();
    DWORD panel = GetWindowThreadProcessId(hDlg, nullptr);
    // Wine brings a new window to the foreground a moment after it shows it.
    if (!WaitUntil([&] { return GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == panel; }, kTimeoutMs))
        return "the program is not in the foreground";
    // Real input is taken in turn with what the program has still to handle: right after its
    // start (the dialog's activation), a key could go in ahead of that and be lost. Input goes in
    // once the program has nothing left before painting.
    if (std::string idle = Painted(); !idle.empty())
        return idle;
    // Wine takes input only from a program on the desktop that receives it, which the last
    // test's desktop may still be: this run's desktop, the panel's too, is made that one.
    SwitchDesktop(GetThreadDesktop(GetCurrentThreadId()));
    if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        return "SendInput failed";
    return Painted();
}

// A left click at the centre of a control, or of the caption's close button.
std::string Mouse(const Args &args)
{
    HWND hDlg = driver.panel->Dialog(), control = GetDlgItem(hDlg, int(WORD(Int(args[1]))));
    TITLEBARINFO caption{};
    caption.cbSize = sizeof caption;
    RECT r{};
    if (args[1] == "close" && GetTitleBarInfo(hDlg, &caption))
        r = caption.rcTitleBar, r.left = r.right - GetSystemMetrics(SM_CXSIZE);
    else if (args[1] == "close" || !control || !GetWindowRect(control, &r))
        return "nowhere to click: " + args[1];
    std::vector<INPUT> click;
    for (DWORD button : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
        INPUT &at = click.emplace_back();
        at.type = INPUT_MOUSE;
        at.mi.dx = (r.left + r.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        at.mi.dy = (r.top + r.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        at.mi.dwFlags = button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    return SendReal(click);
}

// Each key pressed and let go in turn, with shift+ and alt+ held around it.
std::string Keys(const Args &args)
{
    const std::map<std::string, WORD> kKeys = {{"tab", VK_TAB},   {"space", VK_SPACE}, {"enter", VK_RETURN},
                                               {"esc", VK_ESCAPE}, {"up", VK_UP},       {"down", VK_DOWN},
                                               {"left", VK_LEFT},  {"right", VK_RIGHT}, {"shift", VK_SHIFT},
                                               {"alt", VK_MENU}};
    for (size_t i = 1; i < args.size(); ++i) {
        std::vector<INPUT> presses;
        std::string rest = args[i];
        for (size_t plus = 0; plus != std::string::npos; rest.erase(0, plus + 1)) {
            plus = rest.find('+');
            std::string name = rest.substr(0, plus);
            auto known = kKeys.find(name);
            bool letter = name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]));
            if (known == kKeys.end() && !letter)
                return "unknown key " + args[i];
            INPUT press{};
            press.type = INPUT_KEYBOARD;
            press.ki.wVk = letter ? WORD(std::toupper(static_cast<unsigned char>(name[0]))) : known->second;
            presses.insert(presses.begin() + presses.size() / 2, 2, press);
            presses[presses.size() / 2].ki.dwFlags = KEYEVENTF_KEYUP;
        }
        if (std::string error = SendReal(presses); !error.empty())
            return args[i] + ": " + error;
    }
    return "";
}

std::string Focus(const Args &args)
{
    HWND hDlg = driver.panel->Dialog();
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &gui);
    HWND focus = gui.hwndFocus;
    std::string seen = !focus ? "none"
                     : IsChild(hDlg, focus) ? std::to_string(WORD(GetDlgCtrlID(focus))) : "another window";
    std::string want = args[1] == "none" ? "none" : std::to_string(WORD(Int(args[1])));
    return seen == want ? "" : Differs("focus", want, seen);
}

std::string State(const Args &args)
{
    bool isText = args[0] == "text", enabling = args[0] == "enabled" || args[0] == "disabled";
    for (size_t i = 1; i < (isText ? 2 : args.size()); ++i) {
        HWND control = GetDlgItem(driver.panel->Dialog(), int(WORD(Int(args[i]))));
        bool on = control && (enabling ? IsWindowEnabled(control) : !isText && IsChecked(control));
        std::string want = isText ? Quote(args[2]) : args[0];
        std::string seen = !control ? "no control" : isText ? Quote(WindowText(control))
                         : enabling ? (on ? "enabled" : "disabled") : (on ? "checked" : "unchecked");
        if (seen != want)
            return Differs((isText ? "text of " : "control ") + args[i], want, seen);
    }
    return "";
}

std::string Lifetime(const Args &args)
{
    Program &panel = *driver.panel;
    bool running = args[0] == "running", ended = panel.Started() && panel.Ended(running ? 200 : kTimeoutMs);
    std::string code = std::to_string(ended ? panel.ExitCode() : STILL_ACTIVE);
    return !panel.Started() ? "the program was not started"
         : running          ? (ended ? "the program ended with exit code " + code : "")
         : !ended           ? "the program is still running, waited " + Within()
         : DWORD(Int(args[1])) == panel.ExitCode() ? "" : Differs("exit code", args[1], code);
}

std::string Window(const Args &args)
{
    HWND hDlg = driver.panel->Dialog(), owner = GetWindow(hDlg, GW_OWNER), top = driver.panel->TopWindow(args[1]);
    if (args[0] == "caption")
        return WindowText(hDlg) == args[1] ? "" : Differs("caption", Quote(args[1]), Quote(WindowText(hDlg)));
    std::string want = "hidden " + Quote(args[1]) + " " + Quote(args.size() > 2 ? args[2] : args[1]) + ", the owner";
    std::string seen = !top ? "none"
                            : (IsWindowVisible(top) ? "visible " : "hidden ") + Quote(WindowClass(top)) + " "
                                  + Quote(WindowText(top)) + (top == owner ? ", the owner" : ", not the owner");
    return seen == want ? "" : Differs("main window of the dialog", want, seen);
}

std::string Children(const Args &args)
{
    std::vector<HWND> children;
    for (HWND hwnd = GetWindow(driver.panel->Dialog(), GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        children.push_back(hwnd);
    size_t n = size_t(Int(args[1]));
    std::string count = std::to_string(children.size());
    if (args[0] == "children" || n < 1 || n > children.size())
        return args[0] != "children" ? "no child " + args[1] + ": the dialog has " + count
             : n == children.size()  ? ""
                                     : Differs("children", args[1], count);
    // Class names are the same whatever their case.
    std::string cls = SameText(WindowClass(children[n - 1]), args[3]) ? args[3] : WindowClass(children[n - 1]);
    std::string text = args.size() > 4 ? " " + Quote(WindowText(children[n - 1])) : "";
    std::string want = std::to_string(WORD(Int(args[2]))) + " " + args[3] + (text.empty() ? "" : " " + Quote(args[4]));
    std::string seen = std::to_string(WORD(GetDlgCtrlID(children[n - 1]))) + " " + cls + text;
    return seen == want ? "" : Differs("child " + args[1], want, seen);
}

std::string Menubar(const Args &args)
{
    const Template &t = DialogTemplate();
    return args[1] != "empty"               ? "only `menubar empty` is known"
         : !GetMenu(driver.panel->Dialog()) ? "the dialog has no menu bar"
         : !t.error.empty()                 ? t.error
         : t.menuItems == "[\"\"]"          ? ""
                                            : Differs("items of menu " + t.menu, "[\"\"]", t.menuItems);
}

std::string Msgbox(const Args &args)
{
    Program &panel = *driver.panel;
    HWND box = nullptr;
    if (args[0] == "nomsgbox")
        return (box = panel.OpenMessageBox()) ? "a message box is open: " + BoxContent(box) : "";
    WaitUntil([&] { return (box = panel.OpenMessageBox()) || panel.Ended(); }, kTimeoutMs);
    if (!box)
        return panel.Ended() ? "no message box: the program ended with exit code " + std::to_string(panel.ExitCode())
                             : "no message box " + Within();
    std::string want = Quote(args[1]) + " " + Quote(args[2]);
    if (BoxContent(box) != want)
        return Differs("message box", want, BoxContent(box));
    std::string wantIcon = args.size() > 3 ? args[3] : "error", icon;
    WaitUntil([&] { return (icon = MessageBoxIcon(box)) == wantIcon; }, kTimeoutMs); // it may not be on the screen yet
    if (icon != wantIcon)
        return Differs("icon of the message box", wantIcon, icon);
    if (args.size() < 5)
        return PressOk(box);
    if (args[4] != "enter")
        return "a message box is answered with OK, or with `enter`";
    // The command that opened the box goes on once it has closed.
    std::string error = Keys({"keys", "enter"});
    if (error.empty() && !WaitUntil([box] { return !IsWindow(box); }, kTimeoutMs))
        error = "the message box stayed open";
    return error.empty() ? Painted() : error;
}

// The values each field takes: h a number shown in hex, n a number, i a control id, c a class, s a text.
const std::map<std::string, std::string> kFieldValues = {
    {"style", "h"}, {"pos", "nn"}, {"size", "nn"}, {"menu", "s"}, {"font", "ns"}, {"caption", "s"},
    {"items", "n"}, {"id", "i"},   {"class", "c"}, {"text", "s"}, {"extended style", "h"}};

std::string Resource(const Args &args)
{
    const Template &t = DialogTemplate();
    bool isItem = args[0] == "item";
    size_t index = isItem ? size_t(Int(args[1])) : 0;
    if (!t.error.empty() || (isItem && (index < 1 || index > t.items.size())))
        return !t.error.empty() ? t.error : "no item " + args[1] + " of " + std::to_string(t.items.size());
    const Fields &fields = isItem ? t.items[index - 1] : t.dialog;
    Args wanted = isItem ? Args{"id", args[2], "class", args[3], "style", args[4], "pos", args[5], args[6],
                                "size", args[7], args[8], "text", args[9], "extended style", "0"}
                         : Args(args.begin() + 1, args.end());
    if (!isItem)
        wanted.insert(wanted.end(), {"extended style", "0", "class", "none"});
    std::string problems;
    for (size_t at = 0; at < wanted.size();) {
        const std::string &field = wanted[at++];
        auto values = kFieldValues.find(field);
        if (values == kFieldValues.end())
            return "unknown template field " + field;
        std::string want, what = (isItem ? "item " + args[1] : "dialog") + " " + field;
        for (char kind : values->second) {
            std::string value = at < wanted.size() ? wanted[at++] : "";
            want += (want.empty() ? "" : " ")
                  + (kind == 'h' ? Hex(DWORD(Int(value))) : kind == 'n' ? std::to_string(Int(value))
                     : kind == 'i' ? std::to_string(WORD(Int(value))) : kind == 's' ? Quote(value) : value);
        }
        std::string seen = fields.count(field) ? fields.find(field)->second : "none";
        if (want != seen && !(field == "class" && SameText(want, seen)))
            problems += (problems.empty() ? "" : "; ") + Differs(what, want, seen);
    }
    return problems;
}

std::string Move(const Args &args)
{
    long long x = Int(args[1]), y = Int(args[2]);
    HWND hDlg = driver.panel->Dialog();
    RECT at{};
    // Asynchronous, so a hung program cannot hang the driver.
    SetWindowPos(hDlg, nullptr, int(x), int(y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    bool moved = WaitUntil([&] { return GetWindowRect(hDlg, &at) && at.left == x && at.top == y; }, kTimeoutMs);
    return moved ? "" : "the dialog did not move " + Within();
}

// In an emulated machine (tools/x86-machine) every start and press takes some twenty times as
// long, and the x64 build runs the same code under the whole load natively: there the loads of
// repaints, random presses and bad values run a tenth.
long long Share()
{
    return std::getenv("VGATV_EMULATED") ? 10 : 1;
}

long long Load(const std::string &count)
{
    return Share() == 1 ? Int(count) : std::max(Int(count) / Share(), 1LL);
}

std::string Repaint(const Args &args)
{
    HWND hDlg = driver.panel->Dialog();
    // Handled by the time the send returns; BeginPaint leaves nothing to paint.
    for (long long i = 1, count = Load(args[1]); i <= count; ++i) {
        InvalidateRect(hDlg, nullptr, TRUE);
        bool handled = SendMessageTimeoutW(hDlg, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, nullptr);
        if (!handled || GetUpdateRect(hDlg, nullptr, FALSE))
            return "repaint " + std::to_string(i) + " of " + std::to_string(count) + ": "
                 + (handled ? "WM_PAINT left something to paint" : "WM_PAINT was not handled " + Within());
    }
    return "";
}

// Wine does not count GDI objects (GetGuiResources is 0): a leak shows when the logo goes unpainted.
std::string Logo(const Args &)
{
    Picture logo, seen;
    Screen screen;
    if (!LoadLogo(driver.panel->exe, logo))
        return "no logo bitmap in " + driver.panel->exe;
    if (WaitUntil([&] { return (seen = LogoPlace(screen, driver.panel->Dialog(), logo)) == logo; }, ScaledMs(1000)))
        return "";
    seen.pixels.resize(logo.pixels.size()); // what lies off the screen reads as black
    size_t count = 0, first = 0;
    for (size_t i = logo.pixels.size(); i-- > 0;)
        if (logo.pixels[i] != seen.pixels[i])
            ++count, first = i;
    char text[200];
    std::snprintf(text, sizeof text, "logo at %ld,%ld in the client: %zu of %zu pixels differ, the first at %zu,%zu: "
                  "expected RGB %06lX, seen %06lX", kLogoAt.x, kLogoAt.y, count, logo.pixels.size(), first % logo.width,
                  first / logo.width, logo.pixels[first], seen.pixels[first]);
    return text;
}

// The record as the board calls since `start` have it; pal, which the calls leave open, as the
// controls show it. The controls must agree, and at the last press the closing too.
std::string Agree(const Record &start, Record &r, bool nt, bool last)
{
    for (const std::string &line : driver.panel->Log().NewLines()) {
        unsigned op, value, arg;
        if (std::sscanf(line.c_str(), "Dravik(%x, %x, %x)", &op, &value, &arg) != 3 || op < 0x30 || op > 0x32
            || arg != op)
            return "unexpected board call " + Quote(line);
        r.mode = op == 0x31 ? 1 : op == 0x32 && value != 0x21 ? 2 : 0;
        r.scale = op == 0x31 && (value == 0x10 || value == 0x11) ? value == 0x10 : r.scale;
        r.standard = op == 0x32 && value <= 2 ? value : r.standard;
        // Steps add onto the start values: the panel folds a value into range only once it steps.
        r.x += op == 0x32 && value == 0x40, r.y += op == 0x32 && value == 0x41;
        r.flicker += op == 0x32 && value == 0x30;
    }
    Record shown = r;
    shown.x = r.x != start.x ? r.x & 31 : r.x, shown.y = r.y != start.y ? r.y & 31 : r.y;
    shown.flicker = r.flicker != start.flicker ? r.flicker & 3 : r.flicker;
    shown.pal = IsChecked(GetDlgItem(driver.panel->Dialog(), IDC_PAL));
    const char *const kFlicker[] = {"HIGH", "MEDIUM", "No Filter", "Color Bars"};
    std::vector<Args> steps = {{"text", std::to_string(IDC_SCALE), shown.scale ? " 1:1 scale" : "down scale"},
                               {shown.scale ? "checked" : "unchecked", std::to_string(IDC_SCALE)},
                               {"text", std::to_string(IDC_FLICKER_LABEL), kFlicker[shown.flicker & 3]}};
    const std::pair<std::vector<int>, DWORD> groups[] = {{{IDC_VGA, IDC_TV_ONLY, IDC_TV_VGA}, shown.mode},
                                                         {{IDC_NTSC, IDC_PAL}, shown.pal},
                                                         {{IDC_NTSC60, IDC_PAL640, IDC_PAL800}, shown.standard}};
    for (const auto &[ids, chosen] : groups)
        for (size_t i = 0; i < ids.size(); ++i)
            steps.push_back({i == chosen ? "checked" : "unchecked", std::to_string(ids[i])});
    std::vector<Args> closing = last ? Closing(shown, nt) : std::vector<Args>();
    steps.insert(steps.end(), closing.begin(), closing.end());
    return Script(steps);
}

// Presses a user could make, and commands no control sends or the screen refuses (README.md).
std::string Random(const Args &args)
{
    if (driver.family == "none")
        return "random needs family 9x or nt";
    bool nt = driver.family == "nt";
    const Record start = StoredRecord(nt);
    Record r = start;
    HWND hDlg = driver.panel->Dialog();
    const int kControls[] = {IDC_VGA,     IDC_TV_ONLY, IDC_TV_VGA, IDC_SCALE,  IDC_NTSC,   IDC_PAL,
                             IDC_FLICKER, IDC_NTSC60,  IDC_PAL640, IDC_PAL800, IDC_UPDOWN, IDC_LEFTRIGHT};
    // Ids of no control, and of controls that send no commands.
    const int kUnlisted[] = {0, IDOK, IDC_FLICKER_LABEL, 113, 115, IDC_MAIN_GROUP, 0xFFFF};
    bool tvVgaRefused = driver.width == 720 || driver.width == 1024, ntscRefused = driver.width != 640;
    std::vector<int> refused;
    for (auto [id, refuses] : {std::pair(IDC_TV_VGA, tvVgaRefused), std::pair(IDC_NTSC60, ntscRefused)})
        if (refuses)
            refused.push_back(id);
    std::map<int, std::string> boxes; // the first refusal of each kind, which the others repeat
    std::seed_seq seeds{unsigned(Int(args[2])), unsigned(driver.width)};
    std::mt19937 rng(seeds);
    for (long long i = 1, count = Load(args[1]); i <= count; ++i) {
        unsigned roll = rng() % 50;
        bool raw = roll < 13;
        int id = roll == 0 && !refused.empty() ? refused[rng() % refused.size()] : kUnlisted[rng() % 7];
        HWND to = hDlg;
        // Drawn until enabled: VGA and TV only always are.
        for (int tries = 0; !raw && to == hDlg && tries < 1000; ++tries)
            if (int pick = kControls[rng() % std::size(kControls)]; IsWindowEnabled(GetDlgItem(hDlg, pick)))
                id = pick, to = GetDlgItem(hDlg, pick);
        std::string press = "seed " + args[2] + " at " + std::to_string(driver.width) + ", press " + std::to_string(i)
                          + " (" + (raw ? "command " : "click ") + std::to_string(id) + "): ";
        if (to == hDlg && !raw)
            return press + "no control is enabled";
        bool refusal = (id == IDC_TV_VGA && tvVgaRefused) || (id == IDC_NTSC60 && raw && ntscRefused);
        std::string error = Send(to, raw ? WM_COMMAND : BM_CLICK, raw ? WPARAM(id) : 0, 0);
        HWND box = error.empty() && driver.pending ? driver.panel->OpenMessageBox() : nullptr;
        if (error.empty() && driver.panel->Ended())
            error = "the program ended with exit code " + std::to_string(driver.panel->ExitCode());
        else if (error.empty() && refusal != (box != nullptr))
            error = box ? "a message box opened: " + BoxContent(box) : "no message box opened";
        if (error.empty() && box) {
            std::string seen = BoxContent(box), &want = boxes[id];
            want = want.empty() && seen.rfind("\"Error\" ", 0) == 0 ? seen : want;
            error = seen == want ? PressOk(box)
                                 : Differs("message box", want.empty() ? "\"Error\" \"...\"" : want, seen);
        }
        if (error.empty() && (i % 25 == 0 || i == count))
            error = Agree(start, r, nt, i == count);
        if (!error.empty())
            return press + error;
    }
    return "";
}

// Each stored value of the layout alone, in every type and size (README.md).
std::string BadValues(const Args &args)
{
    bool nt = args[1] == "nt";
    std::vector<Args> kinds = {{"sz", "1"},       {"sz", "PAL800"},  {"qword", "0x500000002"}, {"dword", "0"},
                               {"dword", "0xFF"}, {"dword", "0x100"}, {"dword", "0xFFFF"},     {"dword", "0xFFFFFFFF"}};
    const char *const kBytes[] = {"binary", "02", "07", "6E", "9A", "11", "22", "33", "44"};
    for (int size = 0; size <= 8; ++size)
        kinds.push_back(Args(kBytes, kBytes + 1 + size));
    Args written;
    for (const StoredField &value : k9xValues)
        written.push_back(nt ? kNtValue : value.name);
    written.resize(nt ? 1 : written.size());
    std::string key = nt ? kNtKey : k9xKey;
    // A tenth in an emulated machine: each value with every tenth kind, from a kind of its own.
    size_t stride = size_t(Share());
    for (size_t at = 0; at < written.size(); ++at) {
        const std::string &name = written[at];
        for (size_t k = at % stride; k < kinds.size(); k += stride) {
            const Args &kind = kinds[k];
            Args set = {"set", key, name};
            set.insert(set.end(), kind.begin(), kind.end());
            DWORD type;
            std::string data;
            RegData(set, 3, type, data);
            Record r = nt ? UnpackRecord(AsRead(data)) : Record{};
            for (const StoredField &value : k9xValues)
                r.*value.field = !nt && value.name == name ? AsRead(data) & value.mask : r.*value.field;
            Entries entries; // under the watched keys: after `set`, and as the panel left them
            std::string error = ResetKey(key) ? Script({{"family", args[1]}, set}) : "cannot empty HKLM\\" + key;
            for (const char *watched : kWatchedKeys)
                Snapshot(watched, entries, 0);
            std::vector<Args> steps = {{"start"}, StartupCalls(r, driver.width)}, closing = Closing(r, nt);
            steps.insert(steps.end(), closing.begin(), closing.end());
            error = error.empty() ? Script(steps) : error;
            for (const char *watched : kWatchedKeys)
                Snapshot(watched, entries, 1);
            for (const std::string &value : written)
                entries.erase("HKLM\\" + key + " " + Quote(value));
            for (auto &[what, seen] : entries)
                if (error.empty() && seen[0] != seen[1])
                    error = Differs(what, seen[0].empty() ? "absent" : seen[0], seen[1].empty() ? "absent" : seen[1]);
            if (!error.empty())
                return name + " " + DescribeValue(type, data) + ": " + error;
        }
    }
    return "";
}

// Each directive with the arguments it takes, after a ! if the dialog must be up: n a number,
// s anything, upper case if it may be left out; a last * repeats the kind before it.
struct Verb {
    const char *shape;
    std::string (*run)(const Args &);
};

const std::map<std::string, Verb> kVerbs = {
    {"family", {"s", Family}},          {"set", {"sss*", Registry}},       {"delkey", {"s", Registry}},
    {"regval", {"sss*", Registry}},     {"regkey", {"ss", Registry}},      {"start", {"", Start}},
    {"calls", {"S*", Calls}},           {"click", {"!n", Input}},          {"command", {"!nN", Input}},
    {"keys", {"!s*", Keys}},            {"sysclose", {"!", Input}},        {"repeat", {"ns*", Repeat}},
    {"enabled", {"!n*", State}},        {"disabled", {"!n*", State}},      {"checked", {"!n*", State}},
    {"unchecked", {"!n*", State}},      {"text", {"!ns", State}},          {"running", {"", Lifetime}},
    {"exited", {"n", Lifetime}},        {"caption", {"!s", Window}},       {"mainwindow", {"!sS", Window}},
    {"children", {"!n", Children}},     {"child", {"!nnsS", Children}},    {"menubar", {"!s", Menubar}},
    {"msgbox", {"ssSS", Msgbox}},        {"nomsgbox", {"", Msgbox}},        {"template", {"s*", Resource}},
    {"item", {"nnsnnnnns", Resource}},  {"logo", {"!", Logo}},             {"repaint", {"!n", Repaint}},
    {"move", {"!nn", Move}},            {"random", {"!nn", Random}},       {"badvalues", {"s", BadValues}},
    {"mouse", {"!s", Mouse}},           {"focus", {"!s", Focus}},          {"restart", {"", nullptr}},
};

std::string CheckArgs(const Args &args)
{
    auto verb = kVerbs.find(args[0]);
    std::string shape = verb != kVerbs.end() ? verb->second.shape : "";
    shape.erase(0, shape.rfind('!') + 1);
    bool many = !shape.empty() && shape.back() == '*';
    shape.resize(shape.size() - many);
    size_t needed = std::count_if(shape.begin(), shape.end(), [](char kind) { return kind == 'n' || kind == 's'; });
    if (verb == kVerbs.end() || args.size() - 1 < needed || (!many && args.size() - 1 > shape.size()))
        return (verb != kVerbs.end() ? "wrong number of arguments to " : "unknown directive ") + args[0];
    for (size_t i = 1; i < args.size(); ++i)
        if (long long value; std::strchr("nN", shape[std::min(i, shape.size()) - 1]) && !Number(args[i], value))
            return "not a number: " + args[i];
    if (args[0] == "repeat" && args[2] == "restart")
        return "restart does not repeat";
    if (args[0] == "badvalues" && args[1] != "9x" && args[1] != "nt")
        return "expected badvalues 9x or nt";
    return args[0] == "repeat" ? CheckArgs(Args(args.begin() + 2, args.end())) : "";
}

std::string Exec(const Args &args)
{
    const Verb &verb = kVerbs.find(args[0])->second;
    Program &panel = *driver.panel;
    if (verb.shape[0] != '!' || panel.Dialog())
        return verb.run(args);
    HWND box = panel.Started() && !panel.Ended() ? panel.OpenMessageBox() : nullptr;
    return !panel.Started() ? "the program was not started"
         : panel.Ended()    ? "no dialog: the program ended with exit code " + std::to_string(panel.ExitCode())
         : box              ? "no dialog: a message box is open: " + BoxContent(box)
                            : "no dialog";
}

// Words and "..." strings, none on a comment line; `@W,W:` limits the directive to those widths.
std::string ParseLine(const std::string &line, Args &args, unsigned &widths)
{
    size_t i = line.find_first_not_of(" \t\r");
    if (i == std::string::npos || line[i] == '#')
        return "";
    for (; i < line.size(); i = line.find_first_not_of(" \t\r", i)) {
        size_t end = std::min(line.find_first_of(" \t\r", i), line.size());
        if (line[i] != '"') {
            args.push_back(line.substr(i, end - i));
            i = end;
            continue;
        }
        std::string text;
        for (++i; i < line.size() && line[i] != '"'; ++i)
            text += line[i] == '\\' && i + 1 < line.size() ? (line[++i] == 'n' ? '\n' : line[i]) : line[i];
        if (i++ >= line.size())
            return "unterminated string";
        args.push_back(text);
    }
    if (args[0][0] != '@')
        return "";
    std::string prefix = args[0];
    args.erase(args.begin());
    if (prefix.back() != ':' || args.empty() || args[0] == "case" || args[0] == "widths")
        return "expected @W,W: before a directive other than case or widths";
    Args list(1);
    for (char c : prefix.substr(1, prefix.size() - 2))
        c == ',' ? list.push_back("") : list.back().push_back(c);
    return Widths(list, widths);
}

// A case runs at the widths of its `widths` line, or at all four, and stops at its first
// failure. It starts with the program not running, both layouts' roots empty and family nt.
// A run that goes on after a restart of Windows only follows the lines up to skipTo, which ran
// before it; a `restart` sets restartAt and ends the file.
void RunFile(const std::string &path, unsigned widthBit, int &passed, int &failed, int skipTo, int &restartAt)
{
    std::ifstream in(path);
    std::string file = path.substr(path.find_last_of("/\\") + 1), name = "(before the first case)", failure, line;
    int caseLine = 0;
    unsigned caseWidths = 0xF;
    if (!in)
        ++failed, std::printf("%s:0: (file): cannot read %s\n", file.c_str(), path.c_str());
    for (int n = 1; std::getline(in, line); ++n) {
        Args args;
        unsigned widths = 0;
        std::string error = ParseLine(line, args, widths);
        if (error.empty() && args.empty())
            continue;
        bool applies = (caseWidths & widthBit) && (!widths || (widths & widthBit));
        if (n <= skipTo) {
            if (args[0] == "case")
                name = Join(args, 1), caseLine = n, caseWidths = 0xF, driver.family = "nt";
            else if (args[0] == "widths")
                Widths(Args(args.begin() + 1, args.end()), caseWidths = 0);
            else if (args[0] == "family" && applies)
                driver.family = args[1];
            continue;
        }
        if (error.empty() && args[0] == "case") {
            passed += failure.empty() && caseLine && (caseWidths & widthBit);
            driver.panel->Kill();
            name = Join(args, 1), caseLine = n, caseWidths = 0xF, failure.clear();
            error = ResetKey(kNtRoot) && ResetKey(k9xRoot) ? Family({"family", "nt"}) : "cannot empty the roots";
        } else if (!caseLine) {
            caseLine = n, error = error.empty() ? "directive before the first case" : error;
        } else if (error.empty() && args[0] == "widths") {
            error = Widths(Args(args.begin() + 1, args.end()), caseWidths = 0);
        } else if (error.empty() && (error = CheckArgs(args)).empty() && failure.empty() && applies) {
            if (args[0] == "restart") {
                driver.panel->Kill();
                restartAt = n;
                return;
            }
            error = Exec(args);
        }
        if (!error.empty() && failure.empty()) {
            failure = error, ++failed, driver.panel->Kill();
            std::printf("%s:%d: %s: %s\n", file.c_str(), n, name.c_str(), error.c_str());
        }
    }
    passed += failure.empty() && caseLine && (caseWidths & widthBit);
    driver.panel->Kill();
}

}

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    unsigned widthBit = 0;
    driver.width = argc > 2 ? std::atoi(argv[2]) : 0;
    if (argc < 6 || std::strcmp(argv[1], "--width") || std::strcmp(argv[3], "--exe")
        || !Widths({argv[2]}, widthBit).empty()) {
        std::fprintf(stderr, "usage: e2edrv --width 640|720|800|1024 --exe vgatv.exe scenario.txt...\n");
        return ReportStatus(2);
    }
    if (GetSystemMetrics(SM_CXSCREEN) != driver.width) {
        std::printf("the screen is %d pixels wide, not %d\n", GetSystemMetrics(SM_CXSCREEN), driver.width);
        return ReportStatus(1);
    }
    Program panel(argv[4]);
    driver.panel = &panel;
    // After a restart of Windows: the file and line to go on from, and the counts so far.
    int passed = 0, failed = 0, first = 5, skipTo = 0;
    if (const char *resume = std::getenv("VGATV_RESUME"))
        std::sscanf(resume, "%d %d %d %d", &first, &skipTo, &passed, &failed);
    for (int i = first; i < argc; ++i) {
        int restartAt = 0;
        RunFile(argv[i], widthBit, passed, failed, i == first ? skipTo : 0, restartAt);
        if (restartAt) {
            char status[64];
            std::snprintf(status, sizeof status, "restart %d %d %d %d\n", i, restartAt, passed, failed);
            WriteStatus(status);
            return 0;
        }
    }
    ForgetFamily(panel.name);
    std::printf("%d passed, %d failed\n", passed, failed);
    return ReportStatus(failed ? 1 : 0);
}
