// Ends the processes that run an infected file, by the technique of the running Windows family.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

#include "base/run_options.h"
#include "base/scan_report.h"
#include "base/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "platform/process_list.h"
#include "platform/path_spellings.h"
#include "platform/perf_data_win32.h"
#include "platform/platform.h"
#include "platform/process_win32.h"

static_assert(sizeof(PROCESSENTRY32) == 296, "toolhelp record of the 32-bit system");

namespace {

typedef BOOL(WINAPI* QueryFullProcessImageNameFunction)(HANDLE process, DWORD flags, LPSTR name, PDWORD size);

// The full path of a process's image: QueryFullProcessImageNameA where the system has it (Vista
// and later), else the main module's path through psapi. False when neither can read it.
bool ReadProcessImage(DWORD processId, char* image, size_t imageSize)
{
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process.IsValid() || imageSize == 0)
        return false;
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    QueryFullProcessImageNameFunction pQueryFullProcessImageNameA =
        kernel != nullptr ? LookUpFunction<QueryFullProcessImageNameFunction>(kernel, "QueryFullProcessImageNameA")
                          : nullptr;
    if (pQueryFullProcessImageNameA != nullptr) {
        DWORD size = static_cast<DWORD>(imageSize);
        if (pQueryFullProcessImageNameA(process.Get(), 0, image, &size) && size < imageSize) {
            image[size] = '\0';
            return true;
        }
    }
    HMODULE psapi = LoadLibraryA("psapi.dll");
    GetModuleFileNameExFunction pGetModuleFileNameExA =
        psapi != nullptr ? LookUpFunction<GetModuleFileNameExFunction>(psapi, "GetModuleFileNameExA") : nullptr;
    if (pGetModuleFileNameExA == nullptr)
        return false;
    DWORD length = pGetModuleFileNameExA(process.Get(), nullptr, image, static_cast<DWORD>(imageSize));
    if (length == 0 || length >= imageSize)
        return false;
    image[length] = '\0';
    return true;
}

// A namesake that was left running goes into the scan report; otherImage is null when its image
// could not be read.
void ReportSparedProcess(DWORD processId, const char* taskName, const char* otherImage, const char* path)
{
    char line[kReportLineChars];
    if (otherImage != nullptr)
        FormatText(line, sizeof(line), "Process %lu (%s) not ended: it runs %s, not %s",
                   static_cast<unsigned long>(processId), taskName, otherImage, path);
    else
        FormatText(line, sizeof(line), "Process %lu (%s) not ended: not confirmed to run %s (its image could not be read)",
                   static_cast<unsigned long>(processId), taskName, path);
    ReportLine(line);
}

}  // namespace

int KillProcessToolhelp(const char* path)
{
    ScopedLibrary library(LoadLibraryA("Kernel32.dll"));
    HMODULE kernel = library.Get();
    Sleep(100);
    if (kernel == nullptr)
        return 0;
    ScopedHeapBlock record(sizeof(PROCESSENTRY32));
    PROCESSENTRY32* entry = record.As<PROCESSENTRY32>();
    if (entry == nullptr)
        return 0;
    ToolhelpFunctions toolhelp;
    if (!ResolveToolhelp(kernel, toolhelp))
        return 0;
    ScopedFileHandle snapshotScope(toolhelp.pCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    HANDLE snapshot = snapshotScope.Get();
    Sleep(100);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    entry->dwSize = sizeof(PROCESSENTRY32);

    PathSpellings spellings(path, false);

    int result = 0;
    bool more = toolhelp.pProcess32First(snapshot, entry) != 0;
    while (more) {
        char exeFile[sizeof(entry->szExeFile) + 1];
        CopyTextN(exeFile, sizeof(exeFile), entry->szExeFile, sizeof(entry->szExeFile));
        bool matches = ToolhelpNameMatches(exeFile, spellings.Forms(), kPathSpellings);
        // A namesake in another folder (a full szExeFile path that is not the file) runs on.
        if (!matches && CompareNoCase(FileNamePart(exeFile), FileNamePart(path)) == 0)
            ReportSparedProcess(entry->th32ProcessID, FileNamePart(exeFile), exeFile, path);
        if (matches) {
            // Only the first process with this file name is ended.
            Sleep(50);
            if (TerminateById(entry->th32ProcessID, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION))
                result = 1;
            Sleep(500);
            break;
        }
        // Looked up afresh before every call, as the snapshot walk always did.
        Process32Function next = ResolveProcess32Next(kernel);
        if (next == nullptr)
            break;
        Sleep(100);
        more = next(snapshot, entry) != 0;
        Sleep(100);
    }
    return result;
}

int KillProcessPerfData(const char* path)
{
    char baseName[kPathSize];
    if (!MakePerfDataBaseName(path, baseName, sizeof(baseName)))
        return 0;
    TaskEntry tasks[kMaxTasks + 1];
    std::memset(tasks, 0, sizeof(tasks));
    int rows = ReadPerfDataTasks(tasks, kMaxTasks);
    PathSpellings spellings(path, false);
    int result = 0;
    for (int i = 0; i < rows; ++i) {
        if (!TaskNameMatches(tasks[i].name, baseName))
            continue;
        char image[kPathSize];
        bool readable = ReadProcessImage(tasks[i].processId, image, sizeof(image));
        PerfRowAction action =
            DecidePerfRow(tasks[i].name, baseName, readable ? image : nullptr, spellings.Forms(), kPathSpellings);
        if (action == kPerfRowTerminate) {
            if (TerminateById(tasks[i].processId, PROCESS_TERMINATE))
                result = 1;
            Sleep(500);
        } else {
            ReportSparedProcess(tasks[i].processId, tasks[i].name, action == kPerfRowOtherImage ? image : nullptr, path);
        }
    }
    return result;
}

bool KillProcessPsapi(const char* path)
{
    ProcessNode* list = nullptr;
    ProcessListResult listed = ListProcessesPsapi(&list, false);
    // A node that could not be allocated ends the call as if the list had been walked.
    if (listed != kListComplete)
        return listed == kListOutOfMemory;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        // path is the 64-bit program's spelling; a module named through the alias is the same file.
        char nativeModule[kPathSize];
        const char* module = NativeSpelling(node->modulePath, g_scanState.wow64, nativeModule, sizeof(nativeModule))
                                 ? nativeModule
                                 : node->modulePath;
        if (!PsapiPathMatches(module, path))
            continue;
        if (TerminateById(node->processId, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION))
            Sleep(500);
    }
    FreeProcessList(list);
    return true;
}

int KillProcessOfFile(const char* path)
{
    int platform = GetPlatformCode();
    int result;
    if (platform == kPlatformWindows9x) {
        result = KillProcessToolhelp(path);
    } else if (platform == kPlatformNt) {
        if (GetNtVersionCode() == kNtVersion5)
            return KillProcessPsapi(path) ? 1 : 0;
        result = KillProcessPerfData(path);
    } else {
        // No technique for this system: the caller's second deletion attempt decides.
        return 1;
    }
    if (result == 0)
        ShowSystemNotice("Could not kill process", path);
    return result;
}
