// Start-up, the platform family, and the hidden main window that owns the panel.
#ifndef VGATV_APP_H
#define VGATV_APP_H

#include <windows.h>

extern HINSTANCE AppInstance;

// The platform family: at most one is set; neither means no settings are kept.
extern DWORD IsWin9x;
extern DWORD IsNT;

void DetectPlatformFamily();
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
