// Shows the settings record on the controls: which are enabled, the toggle and label
// texts, and the radio marks; and the screen widths that the board's TV output can follow.
#include <iterator>

#include "panel.h"
#include "../res/resource.h"
#include "../settings/settings.h"

static_assert(IDC_TV_ONLY == IDC_VGA + 1 && IDC_TV_VGA == IDC_VGA + 2, "output mode radios are one group");
static_assert(IDC_PAL == IDC_NTSC + 1, "TV-only standard radios are one group");
static_assert(IDC_PAL640 == IDC_NTSC60 + 1 && IDC_PAL800 == IDC_NTSC60 + 2, "TV-and-VGA standard radios are one group");

namespace {

enum class When { TvOnly, TvVga, TvVgaWithNtsc };

struct EnableRule {
    int id;
    When when;
};

constexpr EnableRule kEnableRules[] = {
    {IDC_SCALE, When::TvOnly},
    {IDC_NTSC, When::TvOnly},
    {IDC_PAL, When::TvOnly},
    {IDC_NTSC60, When::TvVgaWithNtsc},
    {IDC_PAL640, When::TvVga},
    {IDC_PAL800, When::TvVga},
    {IDC_FLICKER, When::TvVga},
    {IDC_UPDOWN, When::TvVga},
    {IDC_LEFTRIGHT, When::TvVga},
};
static_assert(kTvOnlyRows.first == 0 && kTvOnlyRows.end == kTvVgaRows.first
              && kTvVgaRows.end == std::size(kEnableRules), "start-up applies every row once");
static_assert(kEnableRules[kTvVgaRows.first].id == IDC_NTSC60, "the TV-and-VGA rows start at NTSC (60 Hz)");

constexpr int kOutputModeIds[] = {IDC_VGA, IDC_TV_ONLY, IDC_TV_VGA};
constexpr int kTvVgaStandardIds[] = {IDC_NTSC60, IDC_PAL640, IDC_PAL800};
constexpr const char *kFlickerTexts[] = {"HIGH", "MEDIUM", "No Filter", "Color Bars"};

bool Holds(When when)
{
    switch (when) {
    case When::TvOnly: return TvSettings.OutputMode == kModeTvOnly;
    case When::TvVga: return TvSettings.OutputMode == kModeTvVga;
    case When::TvVgaWithNtsc: return TvSettings.OutputMode == kModeTvVga && NtscFits();
    }
    return false;
}

void EnableControl(HWND hDlg, int id, bool enabled)
{
    EnableWindow(GetDlgItem(hDlg, id), enabled);
}

void SetControlText(HWND hDlg, int id, const char *text)
{
    SetWindowTextA(GetDlgItem(hDlg, id), text);
}

}

bool TvVgaFits()
{
    return ScreenWidth == 640 || ScreenWidth == 800;
}

bool NtscFits()
{
    return ScreenWidth == 640;
}

bool NtscRaisedToPal640()
{
    return ScreenWidth == 800;
}

// Between 640 and 800 the button stays, and choosing it is refused.
bool TvVgaOfferedAtStart()
{
    return ScreenWidth <= 800;
}

void ApplyEnableRules(HWND hDlg, RuleRows rows)
{
    for (std::size_t row = rows.first; row < rows.end; ++row)
        EnableControl(hDlg, kEnableRules[row].id, Holds(kEnableRules[row].when));
}

void RefreshControlStates(HWND hDlg)
{
    ApplyEnableRules(hDlg, {0, std::size(kEnableRules)});
}

void DisableControl(HWND hDlg, int id)
{
    EnableControl(hDlg, id, false);
}

// A mode of 3 or more, which only a stored value can give, has no button: 0.
int OutputModeId(std::uint8_t mode)
{
    return mode < std::size(kOutputModeIds) ? kOutputModeIds[mode] : 0;
}

// A mode without a button marks none of the three.
void MarkOutputMode(HWND hDlg, std::uint8_t mode)
{
    CheckRadioButton(hDlg, IDC_VGA, IDC_TV_VGA, OutputModeId(mode));
}

// Disabling the control that has the focus leaves the panel with none, and the keyboard (arrows,
// Tab, Esc) with nothing to act on. On Windows an automatic radio button that gets the focus
// unmarked clicks itself, so the focus goes only where taking it sends nothing: to the group's
// marked button while it is enabled, or else to OK.
void KeepKeyboardFocus(HWND hDlg, int markedId)
{
    if (GetFocus())
        return;
    HWND marked = GetDlgItem(hDlg, markedId);
    SendMessageA(hDlg, WM_NEXTDLGCTL, WPARAM(marked && IsWindowEnabled(marked) ? marked : GetDlgItem(hDlg, IDC_OK)), TRUE);
}

void ShowScaleToggle(HWND hDlg, bool oneToOne)
{
    // IDC_SCALE is a lone radio button used as an on/off toggle.
    SetControlText(hDlg, IDC_SCALE, oneToOne ? " 1:1 scale" : "down scale");
    CheckRadioButton(hDlg, IDC_SCALE, IDC_SCALE, oneToOne ? IDC_SCALE : 0);
}

void ShowScaleState(HWND hDlg)
{
    ShowScaleToggle(hDlg, TvSettings.ScaleOneToOne != 0);
}

// A level loaded out of range leaves the label as it was.
void ShowFlickerLevel(HWND hDlg)
{
    if (TvSettings.FlickerLevel < std::size(kFlickerTexts))
        SetControlText(hDlg, IDC_FLICKER_LABEL, kFlickerTexts[TvSettings.FlickerLevel]);
}

void MarkTvOnlyStandard(HWND hDlg)
{
    CheckRadioButton(hDlg, IDC_NTSC, IDC_PAL, TvSettings.TvOnlyPal ? IDC_PAL : IDC_NTSC);
}

void MarkTvVgaStandard(HWND hDlg)
{
    if (TvSettings.TvVgaStandard < std::size(kTvVgaStandardIds))
        CheckRadioButton(hDlg, IDC_NTSC60, IDC_PAL800, kTvVgaStandardIds[TvSettings.TvVgaStandard]);
}

void ShowRefusal(HWND hDlg, const char *text)
{
    MessageBoxA(hDlg, text, "Error", MB_ICONERROR);
}
