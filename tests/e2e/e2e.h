// Parts of the e2e driver: the running panel (program.cpp) and the dialog resource (resources.cpp).
#pragma once
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const DWORD kTimeoutMs = 10000;

std::string windowText(HWND h);
std::string windowClass(HWND h);
bool sameText(const std::string &a, const std::string &b); // case-insensitive, for class names
// Pumps this thread's messages (SendMessageCallback replies arrive that way) while polling.
bool waitUntil(const std::function<bool()> &done, DWORD ms);

// vgatv.exe, started with KESSRA_LOG pointing at a log of our own.
class Program {
public:
    std::string exe, dir, name, log;

    explicit Program(const std::string &exePath);
    ~Program();
    std::string start(); // "" once the dialog, a message box or the end of the program is there
    void kill();
    bool started() const { return pi_.hProcess != nullptr; }
    bool ended(DWORD waitMs = 0);
    DWORD exitCode();
    HWND dialog(); // the visible panel dialog, looked up until found
    HWND mainWindow(const std::string &cls);
    HWND messageBox();
    // Sends without blocking on modal loops: returns once the message is handled,
    // a message box opens or the program ends.
    std::string send(HWND to, UINT msg, WPARAM wp, LPARAM lp);
    std::string settle();
    bool answered() const { return pending_ == 0; } // else a message box holds the last send
    std::vector<std::string> newLogLines(); // complete lines since the last call

private:
    HWND findTop(const std::function<bool(HWND)> &match);
    PROCESS_INFORMATION pi_{};
    HWND dialog_ = nullptr;
    LONG_PTR pending_ = 0;
    size_t logPos_ = 0;
};

// The screen's pixels in the rectangle at `at`, rows top down, as 0xRRGGBB.
std::vector<DWORD> screenPixels(POINT at, int w, int h);

// Which standard icon a message box shows: "error", "warning", "information", "question",
// "none" or "unknown". Icons of other processes can't be read, so it compares the screen.
std::string messageBoxIcon(HWND box);

struct DlgItem {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    std::string cls, text;
};

struct DlgTemplate {
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, cls, caption, face;
    WORD points = 0;
    std::vector<DlgItem> items;
};

std::string loadDialog(const std::string &exe, const char *name, DlgTemplate &out);
std::string loadMenuTexts(const std::string &exe, const std::string &name, std::vector<std::string> &out);
// A palette bitmap resource of the exe, as 0xRRGGBB pixels, rows top down.
std::string loadBitmapPixels(const std::string &exe, int id, int &w, int &h, std::vector<DWORD> &out);
