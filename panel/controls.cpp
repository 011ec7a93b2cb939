// Shows the settings record on the controls: which are enabled, the toggle and label
// texts, and the radio marks.
#include <iterator>

#include "panel.h"
#include "../res/resource.h"
#include "../settings/settings.h"

static_assert(IDC_TV_ONLY == IDC_VGA + 1 && IDC_TV_VGA == IDC_VGA + 2, "output mode radios are one group");
static_assert(IDC_PAL == IDC_NTSC + 1, "TV-only standard radios are one group");
static_assert(IDC_PAL640 == IDC_NTSC60 + 1 && IDC_PAL800 == IDC_NTSC60 + 2, "TV-and-VGA standard radios are one group");

namespace {

enum class When { TvOnly, TvVga, TvVgaAt640 };

struct EnableRule {
    int id;
    When when;
};

constexpr EnableRule kTvOnlyRules[] = {
    {IDC_SCALE, When::TvOnly},
    {IDC_NTSC, When::TvOnly},
    {IDC_PAL, When::TvOnly},
};
constexpr EnableRule kTvVgaRules[] = {
    {IDC_NTSC60, When::TvVgaAt640},
    {IDC_PAL640, When::TvVga},
    {IDC_PAL800, When::TvVga},
    {IDC_FLICKER, When::TvVga},
    {IDC_UPDOWN, When::TvVga},
    {IDC_LEFTRIGHT, When::TvVga},
};

constexpr const char *kFlickerTexts[] = {"HIGH", "MEDIUM", "No Filter", "Color Bars"};
constexpr int kTvVgaStandardIds[] = {IDC_NTSC60, IDC_PAL640, IDC_PAL800};

bool Holds(When when)
{
    switch (when) {
    case When::TvOnly: return TvSettings.OutputMode == kModeTvOnly;
    case When::TvVga: return TvSettings.OutputMode == kModeTvVga;
    case When::TvVgaAt640: return TvSettings.OutputMode == kModeTvVga && ScreenWidth == 640;
    }
    return false;
}

template <std::size_t N>
void ApplyRules(HWND hDlg, const EnableRule (&rules)[N])
{
    for (const EnableRule &rule : rules)
        EnableControl(hDlg, rule.id, Holds(rule.when));
}

void SetControlText(HWND hDlg, int id, const char *text)
{
    SetWindowTextA(GetDlgItem(hDlg, id), text);
}

}

void EnableControl(HWND hDlg, int id, bool enabled)
{
    EnableWindow(GetDlgItem(hDlg, id), enabled);
}

void EnableTvOnlyControls(HWND hDlg)
{
    ApplyRules(hDlg, kTvOnlyRules);
}

void EnableTvVgaControls(HWND hDlg)
{
    ApplyRules(hDlg, kTvVgaRules);
}

void RefreshControlStates(HWND hDlg)
{
    EnableTvOnlyControls(hDlg);
    EnableTvVgaControls(hDlg);
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
