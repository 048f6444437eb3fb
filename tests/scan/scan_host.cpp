// Stand-in for the main window while scan runs are tested from outside: a visible window titled
// like the product's, with the Scan button, the current-file line and the result list under the
// product's control ids, answering the two private messages the way the main window must. It
// starts the run the way the Scan button does (timer, then RunScan) and, when the run returns,
// prints what it saw and exits:
//   SHOW <text>   every current text, in order      LINE <line>  every result line, in order
//   LIST <line>   the result list at the end        OFFER <path> every file offered to a detector
//   SELECTED <n>  the list's selection at the end
//   SKIPPED <kind> <n>  the walk's counts of entries passed over (toolong, unnameable, link,
//                 unlistable, offline, toodeep)
// Usage: scan_host TARGET [wait|real]   TARGET is "!:" (every fixed drive) or a folder; with
// "wait" the run starts only when the Scan button is clicked. Test detector: a file whose name starts
// with "hit" is a detection, "locked" a detection whose removal needs a restart, "slow" takes
// 20 ms, and longer while C:\gate.closed exists; with "real" every offered file goes to the
// product's own detector rows instead.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/product.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "scan/scan_run.h"
#include "scan/walker.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"
#include "ui/result_list.h"
#include "ui/ui.h"
#include "ui/window_sink.h"
#include "run/report_sink.h"

namespace {

HWND g_list;
HWND g_current;
std::vector<std::string> g_report;

const char* FileName(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

int MarkerDetector(ScanState&, const char* name, const char* path)
{
    if (g_scanState.memoryMode)
        return 0;
    g_report.push_back(std::string("OFFER ") + path);
    const char* file = FileName(path);
    if (strncmp(file, "slow", 4) == 0) {
        Sleep(20);
        // While C:\gate.closed exists the walk waits here, pumping messages as it does between
        // entries, so that a test acts while the walk is surely inside this folder, however slowly
        // it runs.
        for (int tenMs = 0; GetFileAttributesA("C:\\gate.closed") != INVALID_FILE_ATTRIBUTES && tenMs < 12000; ++tenMs) {
            PumpOneMessage(g_scanState);
            Sleep(10);
        }
    }
    bool hit = strncmp(file, "hit", 3) == 0;
    bool locked = strncmp(file, "locked", 6) == 0;
    if (!hit && !locked)
        return 0;
    g_scanState.filesInfected += 1;
    if (locked)
        g_scanState.restartNeeded = 1;
    SendResultLine(g_scanState, "%s     %s found", path, name);
    return 1;
}

const DetectorEntry kMarkerTable[] = {{"Test.Marker", MarkerDetector}, {nullptr, nullptr}};

int RealDetectors(ScanState& state, const char*, const char* path)
{
    if (!g_scanState.memoryMode)
        g_report.push_back(std::string("OFFER ") + path);
    for (const DetectorEntry* row = kDetectorTable; row->name != nullptr; ++row) {
        if (row->detect(state, row->name, path) != 0)
            return 1;
    }
    return 0;
}

const DetectorEntry kRealTable[] = {{"Test.Real", RealDetectors}, {nullptr, nullptr}};

void ReportSkipped()
{
    const char* kinds[kWalkSkipKinds] = {"toolong", "unnameable", "link", "unlistable", "offline", "toodeep",
                                               "trimmed"};
    char line[64];
    for (int kind = 0; kind < kWalkSkipKinds; ++kind) {
        FormatText(line, sizeof(line), "SKIPPED %s %d", kinds[kind], static_cast<int>(g_scanState.walkSkipped[kind]));
        g_report.push_back(line);
    }
}

// The main window's own list rule, on the host's list.
void RecordResultLine()
{
    AppendResultLine(g_list, g_scanState.lineBuffer, g_scanState.keepResultLines);
    g_report.push_back(std::string("LINE ") + g_scanState.lineBuffer);
}

void ReportList()
{
    LRESULT n = SendMessageA(g_list, LB_GETCOUNT, 0, 0);
    char text[600];
    for (LRESULT i = 0; i < n; ++i) {
        if (SendMessageA(g_list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof(text))) {
            SendMessageA(g_list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            g_report.push_back(std::string("LIST ") + text);
        }
    }
    char selected[32];
    FormatText(selected, sizeof(selected), "SELECTED %d", static_cast<int>(SendMessageA(g_list, LB_GETCURSEL, 0, 0)));
    g_report.push_back(selected);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kShowCurrentMessage:
        SetWindowTextA(g_current, g_scanState.currentText);
        g_report.push_back(std::string("SHOW ") + g_scanState.currentText);
        return 0;
    case kAppendResultMessage:
        RecordResultLine();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SCAN) {
            EnableWindow(GetDlgItem(window, IDC_SCAN), FALSE);
            g_scanState.mainWindow = window;
            g_scanState.dispositionCode = kDispositionRemove;
            SetTimer(window, kScanTimerId, kScanTimerDelayMs, nullptr);
        }
        return 0;
    case WM_TIMER:
        KillTimer(window, kScanTimerId);
        g_scanState.cancelRequested = false;
        {
            ReportSink report(OpeningOfThisRun());
            WindowSink windowSink(g_scanState, ShowMessageDialog);
            ResultFanOut results;
            results.Add(report);
            results.Add(windowSink);
            RunScan(g_scanState, results);
        }
        ReportList();
        ReportSkipped();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    g_walkDetectors = kMarkerTable;
    CopyText(g_scanState.scanTarget, sizeof(g_scanState.scanTarget), argv[1]);
    bool waitForClick = argc > 2 && strcmp(argv[2], "wait") == 0;
    if (argc > 2 && strcmp(argv[2], "real") == 0)
        g_walkDetectors = kRealTable;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TarvexScanHost";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, kProductTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                600, 400, nullptr, nullptr, instance, nullptr);
    CreateWindowA("BUTTON", "SCAN", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24, window,
                  reinterpret_cast<HMENU>(IDC_SCAN), instance, nullptr);
    g_current = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 10, 40, 560, 20, window,
                              reinterpret_cast<HMENU>(IDC_CURRENT_FILE), instance, nullptr);
    g_list = CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
                           10, 70, 560, 280, window, reinterpret_cast<HMENU>(IDC_RESULT_LIST), instance, nullptr);
    if (!waitForClick)
        PostMessageA(window, WM_COMMAND, IDC_SCAN, 0);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    for (const std::string& line : g_report)
        printf("%s\n", line.c_str());
    printf("END\n");
    fflush(stdout);
    DestroyWindow(window);
    return 0;
}
