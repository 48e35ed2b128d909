// The speed bench behind `make bench`: drives the main window's own batch
// conversion and preview in process and prints what it measured, one
// "name value" pair a line, for bench/run.sh to collect.
//   tolvex_bench batch SOURCE_FOLDER OUTPUT_FOLDER WIDTH HEIGHT
//       Convert All of the folder; WIDTH and HEIGHT 0 convert at full size,
//       otherwise the picture is fitted into that box.
//   tolvex_bench preview IMAGE RUNS
//       focus-to-picture times and the option changes of the preview.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/DialogItems.h"
#include "controls/OwnerDrawButton.h"
#include "image/ImageIO.h"
#include "image/ImageSteps.h"
#include "startup/Startup.h"
#include "framework/Framework.h"
#include "mainwnd/MainDlg.h"

namespace {

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

double Seconds(const std::function<void()>& work)
{
    const double start = Now();
    work();
    return Now() - start;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 0.0;
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}

// A click as the dialog sees it: the state, then the notice.
void Click(HWND h, int id, bool on)
{
    CheckItem(h, id, on);
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(h, id));
}

void SelectCombo(HWND h, int id, int sel)
{
    SelectComboItem(h, id, sel);
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(h, id));
}

// Neutral options, no preview pass; a box of 0 x 0 turns the resize off.
void SetPanel(CMainDlg& dlg, int width, int height)
{
    const HWND h = dlg.m_hWnd;
    dlg.m_bLoading = 1;
    const bool resize = width > 0 && height > 0;
    CheckItem(h, IDC_MAIN_RESIZE, resize);
    CheckItem(h, IDC_MAIN_USE_WIDTH, true);
    CheckItem(h, IDC_MAIN_USE_HEIGHT, true);
    SetDlgItemInt(h, IDC_MAIN_WIDTH, (UINT)width, TRUE);
    SetDlgItemInt(h, IDC_MAIN_HEIGHT, (UINT)height, TRUE);
    CheckItem(h, IDC_MAIN_FIT, true);
    CheckItem(h, IDC_MAIN_CROP, false);
    CheckItem(h, IDC_MAIN_STRETCH, false);
    SelectComboItem(h, IDC_MAIN_ANCHOR, 1);
    CheckItem(h, IDC_MAIN_BORDER, false);
    CheckItem(h, IDC_MAIN_BORDER_3D, false);
    SetDlgItemInt(h, IDC_MAIN_BORDER_WIDTH, 4, FALSE);
    SelectComboItem(h, IDC_MAIN_ROTATE, 0);
    for (int bar : {IDC_MAIN_HUE_BAR, IDC_MAIN_SATURATION_BAR, IDC_MAIN_LIGHTNESS_BAR})
        SetTrackbarPosition(h, bar, kColorNeutral);
    SetDlgItemTextA(h, IDC_MAIN_PREFIX, "");
    SetDlgItemTextA(h, IDC_MAIN_SUFFIX, "");
    SelectComboItem(h, IDC_MAIN_NAME_PATTERN, 0);
    CheckItem(h, IDC_MAIN_EXPLORE, false);
    dlg.UpdateControlStates();
}

int RunBatch(CMainDlg& dlg, const char* source, const char* output, int width, int height)
{
    SetPanel(dlg, width, height);
    SafeCopy(dlg.m_szBrowsedFolder, source);
    SetDlgItemTextA(dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, output);
    dlg.m_nConvertCmd = ID_CONVERT_ALL;
    const double seconds = Seconds(
        [&] { SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); });
    printf("seconds %.3f\n", seconds);
    printf("peak_mb %.1f\n", PeakMegabytes());
    return 0;
}

// The option changes a user makes while looking at the preview, each
// through the handler the control's notice reaches.
struct OptionChange
{
    const char* name;
    std::function<void(HWND)> make;
};

int RunPreview(CMainDlg& dlg, const char* image, int runs)
{
    const HWND h = dlg.m_hWnd;
    SetPanel(dlg, 120, 120);
    dlg.m_bPreview = 1;

    std::vector<double> focus;
    for (int i = 0; i < runs; ++i)
    {
        const double s = Seconds([&] { dlg.LoadSourceImage(image); });
        if (dlg.SourceImage() == NULL)
        {
            fprintf(stderr, "cannot read %s\n", image);
            return 1;
        }
        focus.push_back(s);
    }
    printf("focus_first %.4f\n", focus.front());
    printf("focus_median %.4f\n", Median(std::vector<double>(focus.begin() + 1, focus.end())));

    const OptionChange changes[] = {
        {"width_3", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 3, TRUE); }},
        {"width_30", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 30, TRUE); }},
        {"width_300", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 300, TRUE); }},
        {"crop",
         [](HWND w) {
             CheckItem(w, IDC_MAIN_FIT, false);
             Click(w, IDC_MAIN_CROP, true);
         }},
        {"anchor", [](HWND w) { SelectCombo(w, IDC_MAIN_ANCHOR, 2); }},
        {"stretch",
         [](HWND w) {
             CheckItem(w, IDC_MAIN_CROP, false);
             Click(w, IDC_MAIN_STRETCH, true);
         }},
        {"fit",
         [](HWND w) {
             CheckItem(w, IDC_MAIN_STRETCH, false);
             Click(w, IDC_MAIN_FIT, true);
         }},
        {"height_off", [](HWND w) { Click(w, IDC_MAIN_USE_HEIGHT, false); }},
        {"width_3000", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 3000, TRUE); }},
        {"width_10000", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 10000, TRUE); }},
        {"width_9999", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_WIDTH, 9999, TRUE); }},
        {"width_empty", [](HWND w) { SetDlgItemTextA(w, IDC_MAIN_WIDTH, ""); }},
        {"width_off", [](HWND w) { Click(w, IDC_MAIN_USE_WIDTH, false); }},
        {"height_9000", [](HWND w) { SetDlgItemInt(w, IDC_MAIN_HEIGHT, 9000, TRUE); }},
        {"resize_off", [](HWND w) { Click(w, IDC_MAIN_RESIZE, false); }},
        {"resize_on", [](HWND w) { Click(w, IDC_MAIN_RESIZE, true); }},
        {"border", [](HWND w) { Click(w, IDC_MAIN_BORDER, true); }},
        {"frame", [](HWND w) { Click(w, IDC_MAIN_BORDER_3D, true); }},
        {"rotate", [](HWND w) { SelectCombo(w, IDC_MAIN_ROTATE, 1); }},
        {"hue",
         [](HWND w) {
             SetTrackbarPosition(w, IDC_MAIN_HUE_BAR, 150);
             SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 150),
                          (LPARAM)GetDlgItem(w, IDC_MAIN_HUE_BAR));
         }},
    };
    // Each run loads the file and makes the changes in turn, as a user
    // would, timing each one.
    const size_t count = sizeof(changes) / sizeof(changes[0]);
    std::vector<std::vector<double>> times(count);
    for (int i = 0; i < runs; ++i)
    {
        SetPanel(dlg, 120, 120);
        dlg.LoadSourceImage(image);
        for (size_t c = 0; c < count; ++c)
            times[c].push_back(Seconds([&] { changes[c].make(h); }));
    }
    std::vector<double> all;
    double worst = 0.0;
    for (size_t c = 0; c < count; ++c)
    {
        const double m = Median(times[c]);
        printf("change_%s %.4f\n", changes[c].name, m);
        all.push_back(m);
        worst = std::max(worst, *std::max_element(times[c].begin(), times[c].end()));
    }
    printf("change_median %.4f\n", Median(all));
    printf("change_worst %.4f\n", worst);

    // One stage-0 pass with a width of 10000, the width alone.
    dlg.m_bLoading = 1;
    CheckItem(h, IDC_MAIN_RESIZE, true);
    CheckItem(h, IDC_MAIN_USE_WIDTH, true);
    CheckItem(h, IDC_MAIN_USE_HEIGHT, false);
    SetDlgItemInt(h, IDC_MAIN_WIDTH, 10000, TRUE);
    CheckItem(h, IDC_MAIN_BORDER, false);
    SelectComboItem(h, IDC_MAIN_ROTATE, 0);
    std::vector<double> wide;
    for (int i = 0; i < runs; ++i)
        wide.push_back(Seconds([&] { dlg.UpdatePreview(kStageResize); }));
    printf("stage0_width10000 %.4f\n", Median(wide));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        fprintf(stderr,
                "usage: tolvex_bench batch SOURCE OUTPUT WIDTH HEIGHT | preview IMAGE RUNS\n");
        return 2;
    }
    int rc = 2;
    {
        CProcessScope scope(ModuleInstance());
        CMainDlg dlg;
        dlg.Create(NULL);
        const std::string mode = argv[1];
        if (mode == "batch" && argc == 6)
            rc = RunBatch(dlg, argv[2], argv[3], atoi(argv[4]), atoi(argv[5]));
        else if (mode == "preview" && argc == 4)
            rc = RunPreview(dlg, argv[2], std::max(3, atoi(argv[3])));
        if (dlg.m_hWnd != NULL)
            DestroyWindow(dlg.m_hWnd);
    }
    fflush(stdout);
    return rc;
}
