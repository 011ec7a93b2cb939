// Every press goes to the board at once; most commands end by re-applying the enabling rule.
#include "panel.h"
#include "../board/board.h"
#include "../res/resource.h"
#include "../settings/settings.h"

namespace {

constexpr char kTvVgaRefusal[] =
    "The function TV_VGA can only be used in PAL mode\n"
    "at 640x480 and 800x600 resolution and 50Hz refresh rate\n"
    "or in NTSC mode at 640x480 resolution and 60 Hz refresh rate\n";
constexpr char kNtscRefusal[] =
    "The TV_VGA function in NTSC mode can be used only\n"
    "at 640x480 resolution and 60Hz refresh rate\n";

// An automatic radio button does not clear a disabled one in its group (TV_VGA once refused),
// so the mode's mark is set again from the mode.
void ChooseVga(HWND hDlg)
{
    TvSettings.OutputMode = kModeVga;
    SendBoard(kOpVga, kVgaOnly);
    SendBoard(kOpTvVga, kVgaOn);
    MarkOutputMode(hDlg, TvSettings.OutputMode);
}

// The TV-only standard and scale are not sent again.
void ChooseTvOnly(HWND hDlg)
{
    TvSettings.OutputMode = kModeTvOnly;
    SendBoard(kOpTvOnly, kTvOnlyNtsc);
    MarkOutputMode(hDlg, TvSettings.OutputMode);
}

// Returns false when the screen cannot carry TV and VGA together. Unlike start-up,
// entering the mode sends 0x20 before the standard.
bool ChooseTvVga(HWND hDlg)
{
    if (!TvVgaFits()) {
        ShowRefusal(hDlg, kTvVgaRefusal);
        // The auto radio button has already moved the mark.
        MarkOutputMode(hDlg, TvSettings.OutputMode);
        DisableControl(hDlg, IDC_TV_VGA);
        KeepKeyboardFocus(hDlg, OutputModeId(TvSettings.OutputMode));
        return false;
    }
    // Where NTSC does not fit, PAL640 takes its place and its button goes grey.
    bool raise = NtscRaisedToPal640();
    if (raise && TvSettings.TvVgaStandard == kStdNtsc60)
        TvSettings.TvVgaStandard = kStdPal640;
    SendBoard(kOpTvVga, kTvVgaOn);
    if (raise)
        DisableControl(hDlg, IDC_NTSC60);
    SendBoard(kOpTvVga, TvSettings.TvVgaStandard);
    TvSettings.OutputMode = kModeTvVga;
    // The standard may have changed; the panel never shows one that is not in force.
    if (raise)
        MarkTvVgaStandard(hDlg);
    return true;
}

void ToggleScale(HWND hDlg)
{
    bool oneToOne = TvSettings.ScaleOneToOne == 0;
    ShowScaleToggle(hDlg, oneToOne);
    TvSettings.ScaleOneToOne = oneToOne;
    SendBoard(kOpTvOnly, oneToOne ? kScaleOneToOne : kScaleDown);
}

void ChooseTvOnlyPal(bool pal)
{
    SendBoard(kOpTvOnly, pal ? kTvOnlyPal : kTvOnlyNtsc);
    TvSettings.TvOnlyPal = pal;
}

// The board counts no levels: it takes one step, and the panel counts modulo 4.
void AdvanceFlicker(HWND hDlg)
{
    TvSettings.FlickerLevel = ((TvSettings.FlickerLevel & 0xFF) + 1) & 3;
    ShowFlickerLevel(hDlg);
    SendBoard(kOpTvVga, kFlickerStep);
}

bool ChooseNtsc60(HWND hDlg)
{
    if (!NtscFits()) {
        ShowRefusal(hDlg, kNtscRefusal);
        DisableControl(hDlg, IDC_NTSC60);
        MarkTvVgaStandard(hDlg);
        return false;
    }
    SendBoard(kOpTvVga, kStdNtsc60);
    TvSettings.TvVgaStandard = kStdNtsc60;
    return true;
}

// NTSC (60 Hz) may be marked but disabled (loaded at a width where it does not fit), and the
// automatic radio button leaves it marked: the standard's mark is set again from the standard.
void ChoosePal(HWND hDlg, std::uint8_t standard)
{
    SendBoard(kOpTvVga, standard);
    TvSettings.TvVgaStandard = standard;
    SendBoard(kOpTvVga, kTvVgaOn);
    MarkTvVgaStandard(hDlg);
}

// Positions wrap at 32 steps; a loaded value out of range folds on the first press.
void StepPicture(std::uint8_t &position, std::uint16_t step)
{
    position = (position + 1) & 0x1F;
    SendBoard(kOpTvVga, step);
}

// The panel closes through its parent, never EndDialog: destroying the main window
// takes the dialog with it and ends the program.
void ClosePanel(HWND hDlg)
{
    DeleteLogo();
    SendMessageA(GetParent(hDlg), WM_CLOSE, 0, 0);
}

// Every way out saves. On NT the board hears the whole setting before the registry
// keeps it, even when the write then fails.
void SaveAndClose(HWND hDlg)
{
    if (IsNT)
        SendBoardSetting(ModeByte(PackTvSettings(TvSettings)), PositionWord(TvSettings));
    SaveSettings();
    ClosePanel(hDlg);
}

// Windows also notifies for an automatic radio button that gets the focus unmarked, before
// anything marks it: when the panel or Windows moves the focus, when a message box closes, and
// ahead of the arrow keys' own click. A person's click marks the button first, so only a marked
// radio button is a choice.
bool UnmarkedRadio(HWND control)
{
    return control && (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
        && SendMessageA(control, BM_GETCHECK, 0, 0) != BST_CHECKED;
}

}

void OnCommand(HWND hDlg, WORD id, HWND control)
{
    if (UnmarkedRadio(control))
        return;
    switch (id) {
    case IDC_VGA:
        ChooseVga(hDlg);
        break;
    case IDC_TV_ONLY:
        ChooseTvOnly(hDlg);
        break;
    case IDC_TV_VGA:
        if (!ChooseTvVga(hDlg))
            return;
        break;
    case IDC_SCALE:
        ToggleScale(hDlg);
        break;
    case IDC_NTSC:
        ChooseTvOnlyPal(false);
        break;
    case IDC_PAL:
        ChooseTvOnlyPal(true);
        break;
    case IDC_FLICKER:
        AdvanceFlicker(hDlg);
        break;
    case IDC_NTSC60:
        if (!ChooseNtsc60(hDlg))
            return;
        break;
    case IDC_PAL640:
        ChoosePal(hDlg, kStdPal640);
        break;
    case IDC_PAL800:
        ChoosePal(hDlg, kStdPal800);
        break;
    case IDC_UPDOWN:
        StepPicture(TvSettings.PosY, kStepDown);
        break;
    case IDC_LEFTRIGHT:
        StepPicture(TvSettings.PosX, kStepRight);
        break;
    case IDCANCEL:
    case IDC_OK:
        // Esc and the caption's close command arrive as IDCANCEL.
        SaveAndClose(hDlg);
        return;
    }
    RefreshControlStates(hDlg);
}
