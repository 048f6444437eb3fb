// The memory scan: the main module of every running process is offered to the detector, and an
// infected one is ended and then disposed of, before any drive is walked.
#include <windows.h>

#include "run/run_options.h"
#include "run/scan_report.h"
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
bool ModuleFileExists(const ScanState& s, const char* path)
{
    char fileCallPath[kPathSize];
    return GetFileAttributesA(ForFileCalls(s, path, fileCallPath, sizeof(fileCallPath))) != INVALID_FILE_ATTRIBUTES;
}

// The second walk of a module: the detector disposes of the file this time.
void DisposeFromMemory(ScanState& s, const char* path)
{
    s.memoryDisposition = s.dispositionCode;
    WalkDirectory(s, path);
    s.memoryDisposition = 0;
}

ScanState& StateOf(void* context)
{
    return *static_cast<ScanState*>(context);
}

bool StepFileExists(void* context, const char* path)
{
    return ModuleFileExists(StateOf(context), path);
}

// The node's value is what the walk once answered: filesScanned, which memory mode leaves as it
// was, or 0 or -1 after a cancel or an abort.
int StepWalk(void* context, const char* path)
{
    ScanState& s = StateOf(context);
    WalkOutcome outcome = WalkDirectory(s, path);
    return outcome == kWalkCompleted ? s.filesScanned : outcome;
}

bool StepMatched(void* context)
{
    return StateOf(context).memoryMatch;
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

int StepRemoveServiceKeys(void* context, const char* serviceName)
{
    ScanState& s = StateOf(context);
    int removed = RemoveServiceKeys(serviceName, s.quarantine, kFamilyDetectionName);
    // No line has ever told this, so the result carries none; an event log still hears it.
    if (removed != 0)
        ScanResults(s).Result(ScanResult{ResultKind::kServiceRemoved, nullptr, serviceName, kFamilyDetectionName,
                               "service keys removed"});
    return removed;
}

void StepDisposeWalk(void* context, const char* path)
{
    DisposeFromMemory(StateOf(context), path);
}

}  // namespace

void ScanMemoryToolhelp(ScanState& s)
{
    ProcessNode* list = nullptr;
    if (ListProcessesToolhelp(&list) != kListComplete)
        return;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        if (!ModuleFileExists(s, node->modulePath))
            continue;
        WalkDirectory(s, node->modulePath);
        if (!s.memoryMatch || !DispositionActs(s.dispositionCode))
            continue;
        // The file is disposed of even when the process stays: deleting it then falls back to
        // ending the process by name and to deletion at restart.
        TerminateById(node->processId, kTerminateAccess);
        DisposeFromMemory(s, node->modulePath);
    }
    FreeProcessList(list);
}

int ScanMemoryPsapi(ScanState& s)
{
    ProcessNode* list = nullptr;
    if (ListProcessesPsapi(&list, true) != kListComplete)
        return 0;
    const MemoryScanSteps steps = {
        &s,                StepFileExists,    StepWalk,        StepMatched,
        s.dispositionCode,                    StepTerminate,   StepNtVersionCode,
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

int AskRestartAfterMemoryFind(ScanState& s, int (*restart)())
{
    if (!g_memoryRestartNeeded)
        return 0;
    int answer = AskRestart(s, kFoundInMemoryText, MB_OKCANCEL | MB_ICONINFORMATION, IDOK);
    if (answer == IDOK) {
        // The record is closed before a restart can end the process. The drives were not walked.
        EndScanRecordWithOutcome(s, kEndMemoryFind, false, true);
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

void ScanMemory(ScanState& s)
{
    int platform = GetPlatformCode();
    s.memoryMode = true;
    if (platform == kPlatformWindows9x) {
        ScanMemoryToolhelp(s);
    } else if (platform == kPlatformNt && ScanMemoryPsapi(s)) {
        if (g_runOptions.quiet) {
            // Nobody will start the program again after a restart: the run goes on to the drives
            // now, and the restart the find may need is decided with the others at the end.
            ScanResults(s).RecordLine("Found in memory: the quiet run goes on to walk the drives");
        } else {
            AskRestartAfterMemoryFind(s, RestartNow);
            // The rest of the scan waits for the next start of the program; its record ends here.
            EndScanRecordWithOutcome(s, kEndMemoryFind, false, false);
            ExitProcess(0);
        }
    }
    s.memoryMode = false;
}
