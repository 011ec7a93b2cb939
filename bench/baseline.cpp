// What `make bench` measures the panel against: the panel's dialog template shown modally
// and closed, and nothing else. It shares the panel's entry point, resources and build settings,
// so that any difference in the measurements is the panel's own work.
#include <windows.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK BaselineDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDC_OK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hDlg, 0);
        return TRUE;
    }
    return FALSE;
}

}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(hInstance, "APP", nullptr, BaselineDlgProc, 0);
    return 0;
}
