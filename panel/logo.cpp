// The logo in the panel's upper left corner: loaded at start-up, painted by the dialog
// itself on every WM_PAINT, released at closing.
#include "panel.h"
#include "../res/resource.h"

HINSTANCE AppInstance;

namespace {

HBITMAP LogoBitmap;

void PaintLogo(HDC hdc, HBITMAP bitmap, short x, short y)
{
    HDC memory = CreateCompatibleDC(hdc);
    SelectObject(memory, bitmap);
    SetMapMode(memory, GetMapMode(hdc));
    BITMAP info;
    // Without a loaded logo there is nothing to paint.
    if (GetObjectA(bitmap, sizeof info, &info) == sizeof info) {
        POINT size{info.bmWidth, info.bmHeight};
        DPtoLP(hdc, &size, 1);
        POINT origin{0, 0};
        DPtoLP(memory, &origin, 1);
        BitBlt(hdc, x, y, size.x, size.y, memory, origin.x, origin.y, SRCCOPY);
    }
    // The logo is not selected out: it stays valid for the next paint.
    DeleteDC(memory);
}

}

void LoadLogo()
{
    LogoBitmap = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(IDB_LOGO));
}

void OnPaint(HWND hDlg)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hDlg, &paint);
    RECT client;
    GetClientRect(hDlg, &client);
    // Device pixels, not dialog units.
    PaintLogo(hdc, LogoBitmap, static_cast<short>(client.left + 25), static_cast<short>(client.top + 45));
    EndPaint(hDlg, &paint);
}

void DeleteLogo()
{
    DeleteObject(LogoBitmap);
    LogoBitmap = nullptr;
}
