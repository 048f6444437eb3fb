// The memory scan: the main module of every running process is offered to the detector, and an
// infected one is ended and then disposed of, before any drive is walked.
#include <windows.h>

#include <cstdlib>

#include "disinfect/disinfect.h"
#include "scan/scan.h"
#include "scan/scan_state.h"
#include "system/process_list.h"
#include "system/process_win32.h"
#include "system/system.h"
#include "ui/ui.h"

int32_t g_memoryRestartNeeded = 0;

namespace {

const char kFoundInMemoryText[] =
    "W32/KYR.Trojan found in memory! registry entries created by the worm are removed. You must "
    "restart the computer and run this program to continue scanning.\n\nRestart the computer now?";
const char kProductTitle[] = "Tarvex Ver 1.0";
const unsigned kOkCancelInformation = 0x41;
const DWORD kTerminateAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION;

bool ModuleFileExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Only the removing and renaming dispositions act on a find; 103 leaves and reports.
bool DispositionActs(int32_t code)
{
    return code == kDispositionRemove || code == kDispositionRename || code == kDispositionRemoveToo;
}

// The second walk of a module: the detector disposes of the file this time.
void DisposeFromMemory(const char* path)
{
    g_scanState.memoryDisposition = g_scanState.dispositionCode;
    WalkDirectory(path);
    g_scanState.memoryDisposition = 0;
}

// NT 5.x and earlier: a process that resists is taken to be a service named after its file.
// True when the service was stopped.
bool StopServiceOfModule(const char* modulePath)
{
    char serviceName[260];
    if (!MakeServiceName(modulePath, serviceName, sizeof(serviceName)))
        return false;
    if (StopService(serviceName)) {
        RemoveServiceKeys(serviceName);
        return true;
    }
    RemoveServiceKeys(serviceName);
    g_memoryRestartNeeded = 1;
    return false;
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
    int found = 0;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        if (!ModuleFileExists(node->modulePath))
            continue;
        // The walker answers with filesScanned, which memory mode leaves as it was: 0 in the
        // first scan after start, the earlier count afterwards. That value stands for "ended".
        int value = WalkDirectory(node->modulePath);
        if (!g_scanState.memoryMatch || !DispositionActs(g_scanState.dispositionCode))
            continue;
        found = 1;
        if (TerminateById(node->processId, kTerminateAccess))
            value = 1;
        // A second attempt tells whether the process is really gone: one already ended refuses it
        // and is then taken for a service that restarts it.
        if (!TerminateById(node->processId, kTerminateAccess)) {
            int nt = GetNtVersionCode();
            bool stopped = (nt == 5 || nt == 6) && StopServiceOfModule(node->modulePath);
            if (!stopped && value == 0)
                continue;
        }
        DisposeFromMemory(node->modulePath);
    }
    FreeProcessList(list);
    return found;
}

void ScanMemory()
{
    int platform = GetPlatformCode();
    g_scanState.memoryMode = true;
    if (platform == 4) {
        ScanMemoryToolhelp();
    } else if (platform == 5 && ScanMemoryPsapi()) {
        if (g_memoryRestartNeeded &&
            ShowMessageDialog(kFoundInMemoryText, kProductTitle, kOkCancelInformation) == IDOK)
            RestartWindows();
        // The rest of the scan waits for the next start of the program.
        ExitProcess(0);
    }
    g_scanState.memoryMode = false;
}
