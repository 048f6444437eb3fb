// Drives the process and system control routines from the command line for the Wine scenario
// scripts, which set the reported Windows version per run and check what happened.
//   version                  prints "platform=P nt=N"
//   restart-steps            restart with recording steps: prints which steps ran and the result
//   restart                  the real forced restart; prints its result if it returns
//   privilege NAME           EnableTokenPrivilege(NAME); prints "opened=O error=E"
//   delete-at-restart PATH   registers PATH for deletion at the next start of Windows
//   kill PATH                KillProcessOfFile(PATH); prints "result=R"
//   list-toolhelp / list-psapi   prints "id path" for every listed process
//   perf-tasks               prints the performance-data process list
//   runscan TARGET DISPOSITION [RESTARTFLAG]
//                            RunScan of TARGET ("!:" every fixed drive, or a folder) with a host
//                            window that prints every result line as it comes; RESTARTFLAG presets
//                            the memory scan's restart flag as an earlier scan would have left it.
//                            Prints "returned" if RunScan comes back.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "run/scan_state.h"
#include "base/text.h"
#include "platform/process_kill.h"
#include "platform/restart.h"
#include "platform/version.h"
#include "platform/perf_data_win32.h"
#include "platform/process_win32.h"
#include "scan/scan_run.h"
#include "scan/memory_scan.h"
#include "ui/ui.h"
#include "ui/window_sink.h"
#include "run/report_sink.h"

namespace {

int g_privilegeCalls = 0;
int g_exitCalls = 0;
unsigned long g_fakeAdjustError = 0;
bool g_fakeTokenOpens = true;

bool RecordPrivilege(unsigned long* adjustError)
{
    ++g_privilegeCalls;
    *adjustError = g_fakeAdjustError;
    return g_fakeTokenOpens;
}

int RecordExit()
{
    ++g_exitCalls;
    return 77;
}

int RunRestartSteps(int argc, char** argv)
{
    // Optional: "notoken" or an adjustment error number for the privilege step to report.
    if (argc > 2) {
        if (std::strcmp(argv[2], "notoken") == 0)
            g_fakeTokenOpens = false;
        else
            g_fakeAdjustError = std::strtoul(argv[2], nullptr, 10);
    }
    const RestartSteps steps = {RecordPrivilege, RecordExit};
    int result = RestartWindowsWith(steps);
    std::printf("privilege=%d exit=%d result=%d\n", g_privilegeCalls, g_exitCalls, result);
    return 0;
}

int ListProcesses(bool psapi)
{
    ProcessNode* list = nullptr;
    ProcessListResult result = psapi ? ListProcessesPsapi(&list, false) : ListProcessesToolhelp(&list);
    for (ProcessNode* node = list; node != nullptr; node = node->next)
        std::printf("%lu %s\n", static_cast<unsigned long>(node->processId), node->modulePath);
    FreeProcessList(list);
    return result == kListComplete ? 0 : 1;
}

LRESULT CALLBACK PrintingHost(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kAppendResultMessage) {
        std::printf("line: %s\n", g_scanState.lineBuffer);
        std::fflush(stdout);
        return 0;
    }
    if (message == kShowCurrentMessage)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunScanOf(int argc, char** argv)
{
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = PrintingHost;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SystemProbeHost";
    RegisterClassA(&windowClass);
    g_scanState.mainWindow = CreateWindowA("SystemProbeHost", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                           windowClass.hInstance, nullptr);
    CopyText(g_scanState.scanTarget, sizeof(g_scanState.scanTarget), argv[2]);
    g_scanState.dispositionCode = std::atoi(argv[3]);
    g_memoryRestartNeeded = argc > 4 ? std::atoi(argv[4]) : 0;
    ReportSink report(OpeningOfThisRun());
    WindowSink windowSink(g_scanState, ShowMessageDialog);
    ResultFanOut results;
    results.Add(report);
    results.Add(windowSink);
    RunScan(g_scanState, results);
    std::printf("returned memoryMode=%d\n", g_scanState.memoryMode ? 1 : 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: system_probe command [args]\n");
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "version") == 0) {
        std::printf("platform=%d nt=%d\n", GetPlatformCode(), GetNtVersionCode());
        return 0;
    }
    if (std::strcmp(command, "restart-steps") == 0)
        return RunRestartSteps(argc, argv);
    if (std::strcmp(command, "restart") == 0) {
        std::printf("result=%d\n", RestartWindows());
        std::fflush(stdout);
        return 0;
    }
    if (std::strcmp(command, "privilege") == 0 && argc > 2) {
        unsigned long adjustError = 12345;
        bool opened = EnableTokenPrivilege(argv[2], &adjustError);
        std::printf("opened=%d error=%lu\n", opened ? 1 : 0, adjustError);
        return 0;
    }
    if (std::strcmp(command, "delete-at-restart") == 0 && argc > 2) {
        BOOL done = MoveFileExA(argv[2], nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        std::printf("scheduled=%d\n", done ? 1 : 0);
        return done ? 0 : 1;
    }
    if (std::strcmp(command, "kill") == 0 && argc > 2) {
        ResultSink nobody;
        int result = KillProcessOfFile(argv[2], g_scanState.wow64, KillReport{nobody, kFamilyDetectionName});
        std::printf("result=%d\n", result);
        return 0;
    }
    if (std::strcmp(command, "list-toolhelp") == 0)
        return ListProcesses(false);
    if (std::strcmp(command, "list-psapi") == 0)
        return ListProcesses(true);
    if (std::strcmp(command, "perf-tasks") == 0) {
        TaskEntry tasks[kMaxTasks + 1];
        int rows = ReadPerfDataTasks(tasks, kMaxTasks);
        std::printf("rows=%d\n", rows);
        for (int i = 0; i < rows; ++i)
            std::printf("%lu %s\n", static_cast<unsigned long>(tasks[i].processId), tasks[i].name);
        return 0;
    }
    if (std::strcmp(command, "runscan") == 0 && argc > 3)
        return RunScanOf(argc, argv);
    std::fprintf(stderr, "unknown command %s\n", command);
    return 2;
}
