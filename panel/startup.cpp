// Opening the panel: measure the screen, load the logo and the stored settings, drop what
// the screen cannot carry, put the board back in the stored mode and show the record.
#include "panel.h"
#include "../board/board.h"
#include "../res/resource.h"
#include "../settings/settings.h"

std::uint16_t ScreenWidth;

namespace {

std::uint16_t MeasureScreenWidth()
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    auto width = static_cast<std::uint16_t>(GetDeviceCaps(display, HORZRES));
    DeleteDC(display);
    return width;
}

void RestoreTvOnly(HWND hDlg)
{
    CheckRadioButton(hDlg, IDC_VGA, IDC_TV_VGA, IDC_TV_ONLY);
    SendBoard(kOpTvOnly, kTvOnlyNtsc);
    if (TvSettings.TvOnlyPal) {
        CheckRadioButton(hDlg, IDC_NTSC, IDC_PAL, IDC_PAL);
        SendBoard(kOpTvOnly, kTvOnlyPal);
    } else {
        CheckRadioButton(hDlg, IDC_NTSC, IDC_PAL, IDC_NTSC);
        SendBoard(kOpTvOnly, kTvOnlyNtsc);
    }
    ShowScaleState(hDlg);
    SendBoard(kOpTvOnly, TvSettings.ScaleOneToOne ? kScaleOneToOne : kScaleDown);
}

// Unlike choosing TV and VGA later, start-up sends the standard before 0x20.
void RestoreTvVga(HWND hDlg)
{
    if (ScreenWidth == 800) {
        // NTSC is not offered at 800 pixels.
        if (TvSettings.TvVgaStandard == kStdNtsc60)
            TvSettings.TvVgaStandard = kStdPal640;
        EnableControl(hDlg, IDC_NTSC60, false);
    }
    SendBoard(kOpTvVga, TvSettings.TvVgaStandard);
    SendBoard(kOpTvVga, kTvVgaOn);
    CheckRadioButton(hDlg, IDC_VGA, IDC_TV_VGA, IDC_TV_VGA);
}

// A stored mode of 3 or more is left as it is, shown as VGA only and saved back.
void RestoreVga(HWND hDlg)
{
    CheckRadioButton(hDlg, IDC_VGA, IDC_TV_VGA, IDC_VGA);
    SendBoard(kOpVga, kVgaOnly);
    SendBoard(kOpVga, kVgaOn);
}

}

BOOL InitPanel(HWND hDlg)
{
    ScreenWidth = MeasureScreenWidth();
    LoadLogo();
    LoadSettings();

    // TV and VGA together run only at 640 or 800 pixels; the store learns of it at closing.
    if (ScreenWidth > 800) {
        EnableControl(hDlg, IDC_TV_VGA, false);
        if (TvSettings.OutputMode == kModeTvVga)
            TvSettings.OutputMode = kModeVga;
    }

    switch (TvSettings.OutputMode) {
    case kModeTvOnly:
        RestoreTvOnly(hDlg);
        break;
    case kModeTvVga:
        RestoreTvVga(hDlg);
        break;
    default:
        RestoreVga(hDlg);
        break;
    }

    // Both standard groups show the stored choices even while they are disabled.
    EnableTvOnlyControls(hDlg);
    MarkTvOnlyStandard(hDlg);
    ShowScaleState(hDlg);
    MarkTvVgaStandard(hDlg);
    ShowFlickerLevel(hDlg);
    EnableTvVgaControls(hDlg);
    return TRUE;
}
