// Start-up, the platform family, and the hidden main window that owns the panel.
#ifndef VGATV_APP_H
#define VGATV_APP_H

#include <windows.h>

void DetectPlatformFamily();
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
