// Benchmark (a): the real scan run over one folder, driven by a hidden host window that receives
// every private message (current text to a static control, result lines to a list box).
// Usage: bench_scan_run FOLDER
#include "run/scan_state.h"
#include "tools/bench/bench_common.h"
#include "ui/ui.h"
#include "ui/window_sink.h"
#include "run/report_sink.h"
#include "scan/scan_run.h"

namespace {

HWND g_label;
HWND g_list;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kShowCurrentMessage) {
        SetWindowTextA(g_label, g_scanState.currentText);
        return 0;
    }
    if (message == kAppendResultMessage) {
        if (SendMessageA(g_list, LB_GETCOUNT, 0, 0) >= 150 && !g_scanState.keepResultLines)
            SendMessageA(g_list, LB_RESETCONTENT, 0, 0);
        SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_scanState.lineBuffer));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HWND window = bench::MakeHiddenWindow(HostProc, &g_label);
    g_list = CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE, 0, 30, 380, 150, window, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    CopyText(g_scanState.scanTarget, sizeof(g_scanState.scanTarget), argv[1]);
    g_scanState.mainWindow = window;
    // Leave and report: the tree's planted matches stay for every round.
    g_scanState.dispositionCode = kDispositionLeave;
    ReportSink report(OpeningOfThisRun());
    WindowSink windowSink(g_scanState, ShowMessageDialog);
    ResultFanOut results;
    results.Add(report);
    results.Add(windowSink);
    double start = bench::Seconds();
    RunScan(g_scanState, results);
    printf("seconds=%.3f files=%ld infected=%ld", bench::Seconds() - start,
           static_cast<long>(g_scanState.filesScanned), static_cast<long>(g_scanState.filesInfected));
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
