// WinMain and the main window: the window exists only to own the modal panel,
// and its destruction ends the program.
#include "app.h"
#include "../panel/panel.h"
#include "../res/resource.h"

namespace {
constexpr char kClassName[] = "VGA to TV";
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        // The panel runs inside WM_CREATE, so the main window is never shown.
        const auto *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        DialogBoxParamA(create->hInstance, "APP", hwnd, PanelDlgProc, 0);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int)
{
    AppInstance = hInstance;
    if (!hPrevInstance) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = hInstance;
        wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_VGATV));
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        // No menu resource has this name, so the main window gets no menu.
        wc.lpszMenuName = kClassName;
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);
    }
    DetectPlatformFamily();
    CreateWindowExA(0, kClassName, kClassName, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInstance, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
