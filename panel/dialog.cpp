// The dialog procedure: dispatch on the message; the handlers live beside it.
#include "panel.h"

INT_PTR CALLBACK PanelDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint(hDlg);
        return TRUE;
    case WM_INITDIALOG:
        return InitPanel(hDlg);
    case WM_COMMAND:
        OnCommand(hDlg, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return FALSE;
    default:
        return FALSE;
    }
}
