// The memory scan: the main module of every running process is offered to the detector, and an
// infected one is ended and then disposed of, before any drive is walked.
#include <windows.h>

#include "run/run_options.h"
#include "run/scan_report.h"
#include "run/result_sink.h"
#include "run/scan_state.h"
#include "disinfect/service.h"
#include "platform/restart.h"
#include "platform/version.h"
#include "platform/process_win32.h"
#include "scan/memory_scan_node.h"
#include "scan/memory_scan.h"
#include "scan/scan_run.h"
#include "scan/walker.h"

int32_t g_memoryRestartNeeded = 0;

namespace {

const char kFoundInMemoryText[] =
    "W32/KYR.Trojan found in memory! registry entries created by the worm are removed. You must "
    "restart the computer and run this program to continue scanning.\n\nRestart the computer now?";
const DWORD kTerminateAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION;

// path is the module's name as the system reports it, the 64-bit program's spelling.
bool ModuleFileExists(const char* path)
{
    char fileCallPath[kPathSize];
    return GetFileAttributesA(ForFileCalls(path, fileCallPath, sizeof(fileCallPath))) != INVALID_FILE_ATTRIBUTES;
}

// The second walk of a module: the detector disposes of the file this time.
void DisposeFromMemory(const char* path)
{
    g_scanState.memoryDisposition = g_scanState.dispositionCode;
    WalkDirectory(path);
    g_scanState.memoryDisposition = 0;
}

bool StepFileExists(void*, const char* path)
{
    return ModuleFileExists(path);
}

// The node's value is what the walk once answered: filesScanned, which memory mode leaves as it
// was, or 0 or -1 after a cancel or an abort.
int StepWalk(void*, const char* path)
{
    WalkOutcome outcome = WalkDirectory(path);
    return outcome == kWalkCompleted ? g_scanState.filesScanned : outcome;
}

bool StepMatched(void*)
{
    return g_scanState.memoryMatch;
}

bool StepTerminate(void*, uint32_t processId)
{
    return TerminateById(processId, kTerminateAccess);
}

int StepNtVersionCode(void*)
{
    return GetNtVersionCode();
}

int StepStopService(void*, const char* serviceName)
{
    return StopService(serviceName);
}

int StepRemoveServiceKeys(void*, const char* serviceName)
{
    int removed = RemoveServiceKeys(serviceName);
    // No line in the window says so; the receivers that keep every action hear of it.
    if (removed)
        SendResultOnly(ResultKind::kServiceRemoved, serviceName, g_scanState.currentName, "stopped and its keys removed");
    return removed;
}

void StepDisposeWalk(void*, const char* path)
{
    DisposeFromMemory(path);
}

}  // namespace

void ScanMemoryToolhelp()
{
    ProcessNode* list = nullptr;
    if (ListProcessesToolhelp(&list) != kListComplete)
        return;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        if (!ModuleFileExists(node->modulePath))
            continue;
        WalkDirectory(node->modulePath);
        if (!g_scanState.memoryMatch || !DispositionActs(g_scanState.dispositionCode))
            continue;
        // The file is disposed of even when the process stays: deleting it then falls back to
        // ending the process by name and to deletion at restart.
        TerminateById(node->processId, kTerminateAccess);
        DisposeFromMemory(node->modulePath);
    }
    FreeProcessList(list);
}

int ScanMemoryPsapi()
{
    ProcessNode* list = nullptr;
    if (ListProcessesPsapi(&list, true) != kListComplete)
        return 0;
    const MemoryScanSteps steps = {
        nullptr,           StepFileExists,    StepWalk,        StepMatched,
        g_scanState.dispositionCode,          StepTerminate,   StepNtVersionCode,
        StepStopService,   StepRemoveServiceKeys,              StepDisposeWalk,
        &g_memoryRestartNeeded,
    };
    int found = 0;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        if (ScanMemoryNode(steps, node->processId, node->modulePath))
            found = 1;
    }
    FreeProcessList(list);
    return found;
}

int AskRestartAfterMemoryFind(int (*restart)())
{
    if (!g_memoryRestartNeeded)
        return 0;
    int answer = AskRestart(kFoundInMemoryText, MB_OKCANCEL | MB_ICONINFORMATION, IDOK, IDCANCEL);
    if (answer == IDOK) {
        // The record is closed before a restart can end the process. The drives were not walked.
        EndScanRecordWithOutcome(kEndMemoryFind, false, true);
        restart();
    }
    return answer;
}

namespace {

int RestartNow()
{
    return RestartWindows();
}

}  // namespace

void ScanMemory()
{
    int platform = GetPlatformCode();
    g_scanState.memoryMode = true;
    if (platform == kPlatformWindows9x) {
        ScanMemoryToolhelp();
    } else if (platform == kPlatformNt && ScanMemoryPsapi()) {
        if (g_runOptions.quiet) {
            // Nobody will start the program again after a restart: the run goes on to the drives
            // now, and the restart the find may need is decided with the others at the end.
            ReportLine("Found in memory: the quiet run goes on to walk the drives");
        } else {
            AskRestartAfterMemoryFind(RestartNow);
            // The rest of the scan waits for the next start of the program; its record ends here.
            EndScanRecordWithOutcome(kEndMemoryFind, false, false);
            ExitProcess(0);
        }
    }
    g_scanState.memoryMode = false;
}
