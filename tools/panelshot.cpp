// For `make run` without a display: starts the panel, saves a picture of it as a BMP,
// then closes it with OK, as a user would. Usage: panelshot vgatv.exe picture.bmp
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "wine/start.h"
#include "wine/status.h"

namespace {

HWND WaitForPanel(DWORD processId)
{
    for (int i = 0; i < 500; ++i) {
        HWND dialog = nullptr;
        while ((dialog = FindWindowExA(nullptr, dialog, "#32770", "VGA to TV"))) {
            DWORD owner;
            GetWindowThreadProcessId(dialog, &owner);
            if (owner == processId && IsWindowVisible(dialog))
                return dialog;
        }
        Sleep(20);
    }
    return nullptr;
}

bool SavePicture(HWND window, const char *path)
{
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    DWORD stride = (width * 3 + 3) & ~3u;
    info.biSizeImage = stride * height;
    char *pixels = new char[info.biSizeImage];
    GetDIBits(memory, bitmap, 0, height, pixels, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{0x4D42, DWORD(sizeof file + sizeof info + info.biSizeImage), 0, 0,
                          DWORD(sizeof file + sizeof info)};
    bool saved = false;
    if (FILE *out = std::fopen(path, "wb")) {
        saved = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1
             && std::fwrite(pixels, info.biSizeImage, 1, out) == 1;
        saved = std::fclose(out) == 0 && saved;
    }
    delete[] pixels;
    return saved;
}

}

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: panelshot vgatv.exe picture.bmp\n");
        return ReportStatus(2);
    }
    PROCESS_INFORMATION process;
    if (!StartProgram(argv[1], nullptr, nullptr, process)) {
        std::fprintf(stderr, "panelshot: cannot start %s\n", argv[1]);
        return ReportStatus(1);
    }
    HWND panel = WaitForPanel(process.dwProcessId);
    if (!panel) {
        std::fprintf(stderr, "panelshot: the panel did not appear\n");
        TerminateProcess(process.hProcess, 1);
        return ReportStatus(1);
    }
    Sleep(300); // let the controls and the logo finish painting
    bool saved = SavePicture(panel, argv[2]);
    SendMessageA(GetDlgItem(panel, 114), BM_CLICK, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    return ReportStatus(saved && code == 0 ? 0 : 1);
}
