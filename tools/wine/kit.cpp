// The kit's Windows side: the registry, windows and controls, the screen, the board log and
// the start of a program, as every tool that drives the panel under Wine needs them.
#include "kit.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";

std::string TempFile(const char *prefix)
{
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, prefix, 0, file);
    return file;
}

// Message boxes carry one of the standard button ids; the panel uses none of them. The children
// are listed once (see Program::FindTop): a GetDlgItem per id asks about every child eleven times.
BOOL CALLBACK NoStandardButton(HWND child, LPARAM found)
{
    int id = GetDlgCtrlID(child);
    return !(*reinterpret_cast<bool *>(found) = id >= IDOK && id <= IDCONTINUE);
}

bool IsMessageBox(HWND hwnd)
{
    bool found = false;
    if (WindowClass(hwnd) == "#32770")
        EnumChildWindows(hwnd, NoStandardButton, LPARAM(&found));
    return found;
}

}

DWORD ScaledMs(DWORD ms)
{
    const char *scale = std::getenv("VGATV_TIME_SCALE");
    int factor = scale ? std::atoi(scale) : 1;
    return factor > 1 ? ms * factor : ms;
}

std::string Within()
{
    return "within " + std::to_string(kTimeoutMs / 1000) + " s";
}

DWORD PackRecord(const Record &r)
{
    return (r.x & 0xFF) | (r.y & 0xFF) << 8 | (r.mode & 3) << 16 | (r.pal & 1) << 18 | (r.scale & 1) << 19
        | (r.standard & 3) << 20 | (r.flicker & 3) << 22;
}

Record UnpackRecord(DWORD word)
{
    Record r;
    r.x = word & 0xFF, r.y = word >> 8 & 0xFF, r.mode = word >> 16 & 3, r.pal = word >> 18 & 1;
    r.scale = word >> 19 & 1, r.standard = word >> 20 & 3, r.flicker = word >> 22 & 3;
    return r;
}

DWORD AsRead(const std::string &data)
{
    DWORD value = 0;
    if (data.size() <= 4)
        std::memcpy(&value, data.data(), data.size());
    return value;
}

Record StoredRecord(bool nt)
{
    auto value = [&](const char *name) {
        DWORD type;
        std::string data;
        return ReadValue(nt ? kNtKey : k9xKey, name, type, data) ? AsRead(data) : 0;
    };
    if (nt)
        return UnpackRecord(value(kNtValue));
    Record r;
    for (const StoredField &v : k9xValues)
        r.*v.field = value(v.name) & v.mask;
    return r;
}

bool StoreRecord(const Record &r, bool nt)
{
    if (nt)
        return WriteDword(kNtKey, kNtValue, PackRecord(r));
    bool stored = true;
    for (const StoredField &v : k9xValues)
        stored = WriteDword(k9xKey, v.name, r.*v.field) && stored;
    return stored;
}

bool ReadValue(const std::string &key, const std::string &name, DWORD &type, std::string &data)
{
    HKEY hkey;
    data.clear();
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    bool found = RegQueryValueExA(hkey, name.c_str(), nullptr, &type, buffer, &size) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    if (found)
        data.assign(reinterpret_cast<char *>(buffer), size);
    return found;
}

bool WriteValue(const std::string &key, const std::string &name, DWORD type, const std::string &data)
{
    return RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), type, data.data(), DWORD(data.size()))
        == ERROR_SUCCESS;
}

bool WriteDword(const std::string &key, const std::string &name, DWORD value)
{
    return WriteValue(key, name, REG_DWORD, std::string(reinterpret_cast<const char *>(&value), sizeof value));
}

bool KeyExists(const std::string &key)
{
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hkey);
    return true;
}

bool DeleteKey(const std::string &key)
{
    // Given a subkey's name, RegDeleteTree deletes that key too.
    LONG status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool ResetKey(const std::string &key)
{
    HKEY hkey;
    if (!DeleteKey(key)
        || RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr))
        return false;
    RegCloseKey(hkey);
    return true;
}

bool SetFamily(const std::string &exeName, const std::string &family)
{
    // Windows 98 and XP stand for the families, or with VGATV_OLDEST_WINDOWS the first of each.
    bool oldest = std::getenv("VGATV_OLDEST_WINDOWS") != nullptr;
    const char *version = family == "9x" ? (oldest ? "win95" : "win98")
                          : family == "nt" ? (oldest ? "nt40" : "winxp")
                          : family == "none" ? "win31" : nullptr;
    return version
        && RegSetKeyValueA(HKEY_CURRENT_USER, (kAppDefaults + exeName).c_str(), "Version", REG_SZ, version,
                           DWORD(std::strlen(version) + 1)) == ERROR_SUCCESS;
}

void ForgetFamily(const std::string &exeName)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, (kAppDefaults + exeName).c_str());
}

std::string Utf8(const wchar_t *text)
{
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer, n - 1) : std::string();
}

std::string WindowText(HWND hwnd)
{
    wchar_t text[2048] = L"";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, sizeof text / sizeof *text, LPARAM(text), SMTO_ABORTIFHUNG, ScaledMs(2000),
                             &length))
        return "<no answer>";
    return Utf8(text);
}

std::string WindowClass(HWND hwnd)
{
    wchar_t name[256] = L"";
    GetClassNameW(hwnd, name, 256);
    return Utf8(name);
}

bool SameText(const std::string &a, const std::string &b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

bool IsChecked(HWND control)
{
    DWORD_PTR check = 0;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ScaledMs(2000), &check);
    return check == BST_CHECKED;
}

bool WaitUntil(const std::function<bool()> &done, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        // A reply to SendMessageCallback wakes the wait at once; the rest is polled.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, ms - spent), QS_ALLINPUT);
    }
}

Screen::Screen()
    : width_(GetSystemMetrics(SM_CXSCREEN)), height_(GetSystemMetrics(SM_CYSCREEN)), screen_(GetDC(nullptr)),
      memory_(CreateCompatibleDC(screen_))
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const DWORD *>(bits);
    old_ = SelectObject(memory_, bitmap_);
}

Screen::~Screen()
{
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
}

Picture Screen::Capture(RECT onScreen)
{
    RECT all{0, 0, width_, height_}, seen;
    Picture picture;
    if (!bits_ || !IntersectRect(&seen, &onScreen, &all))
        return picture;
    picture.width = seen.right - seen.left;
    picture.height = seen.bottom - seen.top;
    BitBlt(memory_, 0, 0, picture.width, picture.height, screen_, seen.left, seen.top, SRCCOPY);
    GdiFlush();
    picture.pixels.resize(size_t(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels[size_t(y) * picture.width + x] = bits_[size_t(y) * width_ + x] & 0xFFFFFF;
    return picture;
}

Picture Screen::CaptureClient(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT *>(&client), 2);
    return Capture(client);
}

bool LoadLogo(const std::string &exe, Picture &out)
{
    // Loaded as data only: none of the program's code runs here.
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP logo = module ? LoadBitmapA(module, MAKEINTRESOURCEA(IDB_LOGO)) : nullptr;
    BITMAP size{};
    bool loaded = logo && GetObjectA(logo, sizeof size, &size);
    if (loaded) {
        out.width = size.bmWidth;
        out.height = size.bmHeight;
        out.pixels.resize(size_t(size.bmWidth) * size.bmHeight);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, size.bmWidth, -size.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, logo, 0, size.bmHeight, out.pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (DWORD &pixel : out.pixels)
            pixel &= 0xFFFFFF;
    }
    if (logo)
        DeleteObject(logo);
    if (module)
        FreeLibrary(module);
    return loaded;
}

Picture LogoPlace(Screen &screen, HWND hwnd, const Picture &logo)
{
    POINT at = kLogoAt;
    ClientToScreen(hwnd, &at);
    return screen.Capture({at.x, at.y, at.x + logo.width, at.y + logo.height});
}

bool SavePicture(const Picture &picture, const std::string &path)
{
    BITMAPINFOHEADER info{sizeof info, picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD bytes = DWORD(picture.pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file{0x4D42, DWORD(sizeof file + sizeof info + bytes), 0, 0, DWORD(sizeof file + sizeof info)};
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool saved = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1
              && std::fwrite(picture.pixels.data(), bytes, 1, out) == 1;
    return std::fclose(out) == 0 && saved;
}

std::vector<std::string> BoardLog::NewLines()
{
    std::vector<std::string> lines;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string data;
    char buffer[4096];
    DWORD n;
    SetFilePointer(file, LONG(offset), nullptr, FILE_BEGIN);
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n)
        data.append(buffer, n);
    CloseHandle(file);
    size_t at = 0;
    // The stand-in writes in text mode: lines end in CR LF.
    for (size_t end; (end = data.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(data.substr(at, end - at - (end > at && data[end - 1] == '\r')));
    offset += at;
    return lines;
}

Program::Program(const std::string &exePath, const std::string &logPath)
    : log_{logPath.empty() ? TempFile("kes") : logPath}, loaded_(TempFile("kld")), keepLog_(!logPath.empty())
{
    char full[MAX_PATH], *base = nullptr;
    GetFullPathNameA(exePath.c_str(), MAX_PATH, full, &base);
    exe = full;
    name = base ? base : full;
    dir = exe.substr(0, exe.size() - name.size());
}

Program::~Program()
{
    Kill();
    if (!keepLog_)
        DeleteFileA(log_.path.c_str());
    DeleteFileA(loaded_.c_str());
}

// Wine loses a new process in two ways before any of its code runs: CreateProcess fails with
// ERROR_INTERNAL_ERROR, or the process ends before the stand-in board library has loaded (the
// program's own code runs only after that).
std::string Program::Start(DWORD pollMs)
{
    if (Started() && !Ended())
        return "the program is already running";
    Kill();
    CloseHandle(CreateFileA(log_.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, 0, nullptr));
    log_.offset = 0;
    DeleteFileA(loaded_.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Inherited by the program: each program of a tool has a log of its own.
    SetEnvironmentVariableA("KESSRA_LOG", log_.path.c_str());
    SetEnvironmentVariableA("KESSRA_LOADED", loaded_.c_str());
    std::string commandLine = "\"" + exe + "\"";
    bool lost = false;
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                        &info_)) {
        info_ = {};
        if (GetLastError() != ERROR_INTERNAL_ERROR)
            return "cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")";
        lost = true;
    } else {
        // Sleep, not WaitUntil: a timed MsgWaitForMultipleObjects is a round trip to the
        // wineserver, and at short polls that slows the very start being watched.
        DWORD begin = GetTickCount();
        while (!(Dialog() || OpenMessageBox() || Ended())) {
            if (GetTickCount() - begin >= kTimeoutMs)
                return "no dialog, message box or exit " + Within();
            Sleep(pollMs);
        }
    }
    if (lost || (Ended() && GetFileAttributesA(loaded_.c_str()) == INVALID_FILE_ATTRIBUTES)) {
        std::fprintf(stderr, "note: Wine lost %s before it ran\n", exe.c_str());
        WriteStatus("lost\n");
        ExitProcess(3);
    }
    return "";
}

void Program::Kill()
{
    if (!Started())
        return;
    if (!Ended()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, ScaledMs(5000));
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
    dialog_ = nullptr;
}

bool Program::Ended(DWORD waitMs)
{
    return Started() && WaitForSingleObject(info_.hProcess, waitMs) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode()
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

namespace {

struct Look {
    const char *cls;
    const std::function<bool(HWND)> &match;
    HWND found;
};

BOOL CALLBACK NotFound(HWND hwnd, LPARAM lParam)
{
    Look &look = *reinterpret_cast<Look *>(lParam);
    look.found = WindowClass(hwnd) == look.cls && look.match(hwnd) ? hwnd : nullptr;
    return !look.found;
}

}

// The program's own top-level windows, listed in one request. No look here walks on from a
// window with FindWindowEx: while DestroyWindow has a window unlinked and not yet freed, a walk
// from it never ends, and the wineserver with it.
HWND Program::FindTop(const char *cls, const std::function<bool(HWND)> &match)
{
    Look look{cls, match, nullptr};
    if (Started())
        EnumThreadWindows(info_.dwThreadId, NotFound, LPARAM(&look));
    return look.found;
}

HWND Program::Dialog()
{
    if (!dialog_ || !IsWindow(dialog_))
        dialog_ = FindTop("#32770", [](HWND hwnd) {
            return IsWindowVisible(hwnd) && WindowText(hwnd) == kPanelCaption && !IsMessageBox(hwnd);
        });
    return dialog_;
}

HWND Program::OpenMessageBox()
{
    // The panel is no message box: skipping it keeps every look quick.
    return FindTop("#32770",
                   [&](HWND hwnd) { return hwnd != dialog_ && IsWindowVisible(hwnd) && IsMessageBox(hwnd); });
}

HWND Program::TopWindow(const std::string &cls)
{
    return FindTop(cls.c_str(), [](HWND) { return true; });
}
