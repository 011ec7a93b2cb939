#include "e2e.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "tools/wine/start.h"

namespace {

const char kCaption[] = "VGA to TV";
LONG_PTR g_replied = 0;
LONG_PTR g_sent = 0;

void CALLBACK onReply(HWND, UINT, ULONG_PTR seq, LRESULT)
{
    if (LONG_PTR(seq) > g_replied)
        g_replied = LONG_PTR(seq);
}

std::string utf8(const wchar_t *w)
{
    char buf[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
    return n > 0 ? std::string(buf, n - 1) : std::string();
}

// Message boxes carry one of the standard button ids; the panel uses none of them.
bool isMessageBox(HWND h)
{
    if (windowClass(h) != "#32770")
        return false;
    for (int id = IDOK; id <= IDCONTINUE; ++id)
        if (HWND b = GetDlgItem(h, id); b && sameText(windowClass(b), "Button"))
            return true;
    return false;
}

}

std::string windowText(HWND h)
{
    wchar_t buf[2048] = L"";
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, sizeof buf / sizeof *buf, LPARAM(buf), SMTO_ABORTIFHUNG, 2000, &n))
        return "<no answer>";
    return utf8(buf);
}

std::string windowClass(HWND h)
{
    wchar_t buf[256] = L"";
    GetClassNameW(h, buf, 256);
    return utf8(buf);
}

bool sameText(const std::string &a, const std::string &b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

bool waitUntil(const std::function<bool()> &done, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&m);
        if (done())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        // A reply to SendMessageCallback wakes the wait at once; the rest is polled.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, ms - spent), QS_ALLINPUT);
    }
}

Program::Program(const std::string &exePath)
{
    char full[MAX_PATH], *base = nullptr;
    GetFullPathNameA(exePath.c_str(), MAX_PATH, full, &base);
    exe = full;
    name = base ? base : full;
    dir = exe.substr(0, exe.size() - name.size());
    char tmp[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    GetTempFileNameA(tmp, "kes", 0, file);
    log = file;
    SetEnvironmentVariableA("KESSRA_LOG", log.c_str());
}

Program::~Program()
{
    kill();
    DeleteFileA(log.c_str());
}

std::string Program::start()
{
    if (started() && !ended())
        return "the program is already running";
    kill();
    HANDLE f = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    logPos_ = 0;
    std::string cmd = "\"" + exe + "\"";
    // Wine may also lose the process just after CreateProcess succeeds: it then ends
    // with an NTSTATUS error before it has shown anything, and it is started again.
    for (int attempt = 1;; ++attempt) {
        if (!StartProgram(exe.c_str(), &cmd[0], dir.c_str(), pi_))
            return "cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")";
        if (!waitUntil([&] { return dialog() || messageBox() || ended(); }, kTimeoutMs))
            return "no dialog, message box or exit within 10 s";
        if (attempt == 3 || !ended() || exitCode() < 0xC0000000)
            return "";
        std::fprintf(stderr, "note: %s ended with 0x%lX before showing anything; starting it again\n",
                     exe.c_str(), exitCode());
        kill();
    }
}

void Program::kill()
{
    if (!started())
        return;
    if (!ended()) {
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = {};
    dialog_ = nullptr;
    pending_ = 0;
}

bool Program::ended(DWORD waitMs)
{
    return started() && WaitForSingleObject(pi_.hProcess, waitMs) == WAIT_OBJECT_0;
}

DWORD Program::exitCode()
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Program::findTop(const std::function<bool(HWND)> &match)
{
    struct Search { DWORD pid; const std::function<bool(HWND)> &match; HWND found; } s{pi_.dwProcessId, match, nullptr};
    if (!started())
        return nullptr;
    EnumWindows([](HWND h, LPARAM p) -> BOOL {
        auto &s = *reinterpret_cast<Search *>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == s.pid && s.match(h))
            s.found = h;
        return !s.found;
    }, LPARAM(&s));
    return s.found;
}

HWND Program::dialog()
{
    if (!dialog_ || !IsWindow(dialog_))
        dialog_ = findTop([](HWND h) {
            return windowClass(h) == "#32770" && IsWindowVisible(h) && windowText(h) == kCaption && !isMessageBox(h);
        });
    return dialog_;
}

HWND Program::mainWindow(const std::string &cls)
{
    return findTop([&](HWND h) { return windowClass(h) == cls; });
}

HWND Program::messageBox()
{
    // The panel is no message box: skipping it keeps every send quick.
    return findTop([&](HWND h) { return h != dialog_ && IsWindowVisible(h) && isMessageBox(h); });
}

std::string Program::send(HWND to, UINT msg, WPARAM wp, LPARAM lp)
{
    pending_ = ++g_sent;
    if (!SendMessageCallbackW(to, msg, wp, lp, onReply, ULONG_PTR(pending_)))
        return "cannot send to the window (error " + std::to_string(GetLastError()) + ")";
    return settle();
}

std::string Program::settle()
{
    if (!pending_)
        return "";
    // The reply mostly comes within the first wait: only then is it worth looking for a box.
    bool waited = false;
    auto done = [&] { return g_replied >= pending_ || (std::exchange(waited, true) && (messageBox() || ended())); };
    if (!waitUntil(done, kTimeoutMs))
        return "the program did not handle it within 10 s";
    if (g_replied >= pending_ || ended())
        pending_ = 0;
    return "";
}

std::vector<std::string> Program::newLogLines()
{
    std::vector<std::string> lines;
    HANDLE f = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return lines;
    std::string data;
    char buf[4096];
    DWORD n;
    SetFilePointer(f, LONG(logPos_), nullptr, FILE_BEGIN);
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n)
        data.append(buf, n);
    CloseHandle(f);
    size_t at = 0;
    for (size_t nl; (nl = data.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(data.substr(at, nl - at - (nl > at && data[nl - 1] == '\r')));
    logPos_ += at;
    return lines;
}

std::string messageBoxIcon(HWND box)
{
    HWND st = nullptr;
    for (HWND h = GetWindow(box, GW_CHILD); h && !st; h = GetWindow(h, GW_HWNDNEXT))
        if ((GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(h))
            st = h;
    DWORD_PTR icon = 0;
    if (!st || !SendMessageTimeoutW(st, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) || !icon)
        return "none";
    RECT r;
    GetWindowRect(st, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr), shot = CreateCompatibleDC(screen), mine = CreateCompatibleDC(screen);
    HBITMAP shotBits = CreateCompatibleBitmap(screen, w, h), mineBits = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ oldShot = SelectObject(shot, shotBits), oldMine = SelectObject(mine, mineBits);
    BitBlt(shot, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    std::string found = "unknown";
    const std::pair<const char *, LPCSTR> kIcons[] = {
        {"error", IDI_ERROR}, {"warning", IDI_WARNING}, {"information", IDI_INFORMATION}, {"question", IDI_QUESTION}};
    for (const auto &[name, id] : kIcons) {
        // The icon's transparent corner shows the box's background.
        HBRUSH bg = CreateSolidBrush(GetPixel(shot, 0, 0));
        RECT all{0, 0, w, h};
        FillRect(mine, &all, bg);
        DeleteObject(bg);
        DrawIconEx(mine, 0, 0, LoadIconA(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
        bool same = true;
        for (int y = 0; y < h && same; ++y)
            for (int x = 0; x < w && same; ++x)
                same = GetPixel(mine, x, y) == GetPixel(shot, x, y);
        if (same) {
            found = name;
            break;
        }
    }
    SelectObject(shot, oldShot);
    SelectObject(mine, oldMine);
    DeleteObject(shotBits);
    DeleteObject(mineBits);
    DeleteDC(shot);
    DeleteDC(mine);
    ReleaseDC(nullptr, screen);
    return found;
}

std::vector<DWORD> screenPixels(POINT at, int w, int h)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HDC screen = GetDC(nullptr), shot = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(shot, dib);
    BitBlt(shot, 0, 0, w, h, screen, at.x, at.y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD *>(bits), static_cast<DWORD *>(bits) + w * h);
    for (DWORD &p : pixels)
        p &= 0xFFFFFF;
    SelectObject(shot, old);
    DeleteObject(dib);
    DeleteDC(shot);
    ReleaseDC(nullptr, screen);
    return pixels;
}
