// The control panel dialog "APP": its procedure, the rules that show the settings on
// the controls, start-up, command handling and the logo.
#ifndef VGATV_PANEL_H
#define VGATV_PANEL_H

#include <windows.h>
#include <cstdint>

// dialog.cpp
INT_PTR CALLBACK PanelDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// controls.cpp
void RefreshControlStates(HWND hDlg);
void EnableTvOnlyControls(HWND hDlg);
void EnableTvVgaControls(HWND hDlg);
void EnableControl(HWND hDlg, int id, bool enabled);
void ShowScaleState(HWND hDlg);
void ShowScaleToggle(HWND hDlg, bool oneToOne);
void ShowFlickerLevel(HWND hDlg);
void MarkTvOnlyStandard(HWND hDlg);
void MarkTvVgaStandard(HWND hDlg);
void ShowRefusal(HWND hDlg, const char *text);

// startup.cpp
// Measured once at start-up; only ever compared with 640 and 800.
extern std::uint16_t ScreenWidth;
BOOL InitPanel(HWND hDlg);

// commands.cpp
void OnCommand(HWND hDlg, WORD id);

// logo.cpp
// Stored by WinMain; the logo is loaded from it.
extern HINSTANCE AppInstance;
void LoadLogo();
void OnPaint(HWND hDlg);
void DeleteLogo();

#endif
