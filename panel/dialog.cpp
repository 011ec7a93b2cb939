// The dialog procedure: dispatch on the message; the handlers live beside it.
#include "panel.h"

std::uint16_t ScreenWidth;
HBITMAP LogoBitmap;

INT_PTR CALLBACK PanelDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_PAINT:
        OnPaint(hDlg);
        return TRUE;
    case WM_INITDIALOG:
        return InitPanel(hDlg);
    case WM_COMMAND:
        OnCommand(hDlg, LOWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

// The panel closes through its parent, never EndDialog: destroying the main window
// takes the dialog with it and ends the program.
void ClosePanel(HWND hDlg)
{
    DeleteObject(LogoBitmap);
    LogoBitmap = nullptr;
    SendMessageA(GetParent(hDlg), WM_CLOSE, 0, 0);
}
