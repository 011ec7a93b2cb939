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
    MarkOutputMode(hDlg, kModeTvOnly);
    SendBoard(kOpTvOnly, kTvOnlyNtsc);
    MarkTvOnlyStandard(hDlg);
    SendBoard(kOpTvOnly, TvSettings.TvOnlyPal ? kTvOnlyPal : kTvOnlyNtsc);
    ShowScaleState(hDlg);
    SendBoard(kOpTvOnly, TvSettings.ScaleOneToOne ? kScaleOneToOne : kScaleDown);
}

// Unlike choosing TV and VGA later, start-up sends the standard before 0x20.
void RestoreTvVga(HWND hDlg)
{
    if (NtscRaisedToPal640()) {
        if (TvSettings.TvVgaStandard == kStdNtsc60)
            TvSettings.TvVgaStandard = kStdPal640;
        DisableControl(hDlg, IDC_NTSC60);
    }
    SendBoard(kOpTvVga, TvSettings.TvVgaStandard);
    SendBoard(kOpTvVga, kTvVgaOn);
    MarkOutputMode(hDlg, kModeTvVga);
}

// A stored mode of 3 or more is left as it is, shown as VGA only and saved back.
void RestoreVga(HWND hDlg)
{
    MarkOutputMode(hDlg, kModeVga);
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
    if (!TvVgaOfferedAtStart()) {
        DisableControl(hDlg, IDC_TV_VGA);
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
    ApplyEnableRules(hDlg, kTvOnlyRows);
    MarkTvOnlyStandard(hDlg);
    ShowScaleState(hDlg);
    MarkTvVgaStandard(hDlg);
    ShowFlickerLevel(hDlg);
    ApplyEnableRules(hDlg, kTvVgaRows);
    return TRUE;
}
