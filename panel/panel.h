// The control panel dialog "APP": its procedure, the rules that show the settings on
// the controls, start-up, command handling and the logo.
#ifndef VGATV_PANEL_H
#define VGATV_PANEL_H

#include <windows.h>
#include <cstddef>
#include <cstdint>

// dialog.cpp
INT_PTR CALLBACK PanelDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// controls.cpp
// The screen widths that the board's TV output can follow.
bool TvVgaFits();
bool NtscFits();
bool NtscRaisedToPal640();
bool TvVgaOfferedAtStart();
// Rows of the enabling rule's table; start-up applies the two ranges apart.
struct RuleRows {
    std::size_t first, end;
};
inline constexpr RuleRows kTvOnlyRows{0, 3};
inline constexpr RuleRows kTvVgaRows{3, 9};
void ApplyEnableRules(HWND hDlg, RuleRows rows);
void RefreshControlStates(HWND hDlg);
void DisableControl(HWND hDlg, int id);
int OutputModeId(std::uint8_t mode);
void MarkOutputMode(HWND hDlg, std::uint8_t mode);
void KeepKeyboardFocus(HWND hDlg, int markedId);
void ShowScaleState(HWND hDlg);
void ShowScaleToggle(HWND hDlg, bool oneToOne);
void ShowFlickerLevel(HWND hDlg);
void MarkTvOnlyStandard(HWND hDlg);
void MarkTvVgaStandard(HWND hDlg);
void ShowRefusal(HWND hDlg, const char *text);

// startup.cpp
// Measured once at start-up; read only through the width rules.
extern std::uint16_t ScreenWidth;
BOOL InitPanel(HWND hDlg);

// commands.cpp
// control: the control that notifies, or none for a command sent to the dialog itself.
void OnCommand(HWND hDlg, WORD id, HWND control);

// logo.cpp
// Stored by WinMain; the logo is loaded from it.
extern HINSTANCE AppInstance;
void LoadLogo();
void OnPaint(HWND hDlg);
void DeleteLogo();

#endif
