// For `make run` without a display: starts the panel, saves a picture of it as a BMP,
// then closes it with OK, as a user would. Usage: panelshot vgatv.exe picture.bmp
#include "tools/wine/kit.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: panelshot vgatv.exe picture.bmp\n");
        return ReportStatus(2);
    }
    // The board calls go where tools/run-panel shows them.
    const char *log = std::getenv("KESSRA_LOG");
    Program panel(argv[1], log ? log : "");
    std::string error = panel.Start();
    HWND dialog = error.empty() ? panel.Dialog() : nullptr;
    if (!dialog) {
        std::fprintf(stderr, "panelshot: %s\n", error.empty() ? "the panel did not appear" : error.c_str());
        return ReportStatus(1);
    }
    Sleep(ScaledMs(300)); // the controls and the logo finish painting
    RECT window;
    GetWindowRect(dialog, &window);
    bool saved = SavePicture(Screen().Capture(window), argv[2]);
    SendMessageA(GetDlgItem(dialog, IDC_OK), BM_CLICK, 0, 0);
    bool closed = panel.Ended(kTimeoutMs) && panel.ExitCode() == 0;
    return ReportStatus(saved && closed ? 0 : 1);
}
