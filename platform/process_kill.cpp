// Ends the processes that run an infected file, by the technique of the running Windows family.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

#include "run/run_options.h"
#include "run/scan_report_text.h"  // kReportLineChars
#include "base/text.h"
#include "base/win32_scope.h"
#include "platform/process_list.h"
#include "platform/path_spellings.h"
#include "platform/perf_data_win32.h"
#include "platform/process_kill.h"
#include "platform/version.h"
#include "platform/process_win32.h"

static_assert(sizeof(PROCESSENTRY32) == 296, "toolhelp record of the 32-bit system");

namespace {

// The 95/98/ME technique paces its snapshot walk as it always has: a pause after loading the
// library, after the snapshot and around every step, which lets the system settle between the
// calls of its snapshot functions; the walk costs 200 ms a step.
const DWORD kSnapshotPace = 100;
// Before the matching process is opened, and after any termination attempt: an ended process
// needs a moment to let go of its file before the deletion is tried again.
const DWORD kBeforeTerminatePause = 50;
const DWORD kReleasePause = 500;

// The full path of a process's image: QueryFullProcessImageNameA where the system has it (Vista
// and later), else the main module's path through psapi. False when neither can read it.
bool ReadProcessImage(DWORD processId, char* image, size_t imageSize)
{
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process.IsValid() || imageSize == 0)
        return false;
    const ProcessFunctions& functions = LookUpProcessFunctions();
    if (functions.pQueryFullProcessImageNameA != nullptr) {
        DWORD size = static_cast<DWORD>(imageSize);
        if (functions.pQueryFullProcessImageNameA(process.Get(), 0, image, &size) && size < imageSize) {
            image[size] = '\0';
            return true;
        }
    }
    if (functions.pGetModuleFileNameExA == nullptr)
        return false;
    DWORD length = functions.pGetModuleFileNameExA(process.Get(), nullptr, image, static_cast<DWORD>(imageSize));
    if (length == 0 || length >= imageSize)
        return false;
    image[length] = '\0';
    return true;
}

// A namesake that was left running is a refused action; otherImage is null when its image could
// not be read.
void ReportSparedProcess(const KillReport& report, DWORD processId, const char* taskName, const char* otherImage,
                         const char* path)
{
    char line[kReportLineChars];
    const char* action;
    if (otherImage != nullptr) {
        action = "not ended: it runs another file";
        FormatText(line, sizeof(line), "Process %lu (%s) not ended: it runs %s, not %s",
                   static_cast<unsigned long>(processId), taskName, otherImage, path);
    } else {
        action = "not ended: its image could not be read";
        FormatText(line, sizeof(line), "Process %lu (%s) not ended: not confirmed to run %s (its image could not be read)",
                   static_cast<unsigned long>(processId), taskName, path);
    }
    char object[64];
    FormatText(object, sizeof(object), "Process %lu (%s)", static_cast<unsigned long>(processId), taskName);
    report.results.Result(ScanResult{ResultKind::kRefused, line, object, report.detection, action});
}

// The toolhelp technique's walk: the first process with the file's name is ended, a namesake in
// another folder is reported and runs on.
struct ToolhelpKill {
    const char* path;
    const char* const* forms;
    KillResult result;
    const KillReport* report;
};

bool EndFirstNamedProcess(void* context, const PROCESSENTRY32& entry)
{
    ToolhelpKill& kill = *static_cast<ToolhelpKill*>(context);
    char exeFile[sizeof(entry.szExeFile) + 1];
    CopyTextN(exeFile, sizeof(exeFile), entry.szExeFile, sizeof(entry.szExeFile));
    if (!ToolhelpNameMatches(exeFile, kill.forms, kPathSpellings)) {
        // A namesake in another folder (a full szExeFile path that is not the file) runs on.
        if (CompareNoCase(FileNamePart(exeFile), FileNamePart(kill.path)) == 0)
            ReportSparedProcess(*kill.report, entry.th32ProcessID, FileNamePart(exeFile), exeFile, kill.path);
        return true;
    }
    // Only the first process with this file name is ended.
    Sleep(kBeforeTerminatePause);
    if (TerminateById(entry.th32ProcessID, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION))
        kill.result = kKillEnded;
    Sleep(kReleasePause);
    return false;
}

}  // namespace

KillResult KillProcessToolhelp(const char* path, const Wow64View& view, const KillReport& report)
{
    PathSpellings spellings(path, false, view);
    ToolhelpKill kill = {path, spellings.Forms(), kKillNoneEnded, &report};
    const SnapshotPauses pauses = {kSnapshotPace, kSnapshotPace, kSnapshotPace};
    if (WalkSnapshot(pauses, EndFirstNamedProcess, &kill) == kSnapshotUnavailable)
        return kKillUnavailable;
    return kill.result;
}

KillResult KillProcessPerfData(const char* path, const Wow64View& view, const KillReport& report)
{
    char baseName[kPathSize];
    if (!MakePerfDataBaseName(path, baseName, sizeof(baseName)))
        return kKillUnavailable;
    TaskEntry tasks[kMaxTasks + 1];
    std::memset(tasks, 0, sizeof(tasks));
    int rows = ReadPerfDataTasks(tasks, kMaxTasks);
    PathSpellings spellings(path, false, view);
    KillResult result = rows > 0 ? kKillNoneEnded : kKillUnavailable;
    for (int i = 0; i < rows; ++i) {
        if (!TaskNameMatches(tasks[i].name, baseName))
            continue;
        char image[kPathSize];
        bool readable = ReadProcessImage(tasks[i].processId, image, sizeof(image));
        PerfRowAction action =
            DecidePerfRow(tasks[i].name, baseName, readable ? image : nullptr, spellings.Forms(), kPathSpellings);
        if (action == kPerfRowTerminate) {
            if (TerminateById(tasks[i].processId, PROCESS_TERMINATE))
                result = kKillEnded;
            Sleep(kReleasePause);
        } else {
            ReportSparedProcess(report, tasks[i].processId, tasks[i].name, action == kPerfRowOtherImage ? image : nullptr, path);
        }
    }
    return result;
}

KillResult KillProcessPsapi(const char* path, const Wow64View& view)
{
    ProcessNode* list = nullptr;
    ProcessListResult listed = ListProcessesPsapi(&list, false);
    // A node that could not be allocated ends the call as if the list had been walked.
    if (listed != kListComplete)
        return listed == kListOutOfMemory ? kKillNoneEnded : kKillUnavailable;
    KillResult result = kKillNoneEnded;
    for (ProcessNode* node = list; node != nullptr; node = node->next) {
        // path is the 64-bit program's spelling; a module named through the alias is the same file.
        char nativeModule[kPathSize];
        const char* module = NativeSpelling(node->modulePath, view, nativeModule, sizeof(nativeModule))
                                 ? nativeModule
                                 : node->modulePath;
        if (!PsapiPathMatches(module, path))
            continue;
        if (TerminateById(node->processId, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION)) {
            result = kKillEnded;
            Sleep(kReleasePause);
        }
    }
    FreeProcessList(list);
    return result;
}

int KillProcessOfFile(const char* path, const Wow64View& view, const KillReport& report)
{
    int platform = GetPlatformCode();
    // psapi answers for the listing only: once the list was had, the second deletion decides, and
    // no box is shown.
    if (platform == kPlatformNt && GetNtVersionCode() == kNtVersion5)
        return KillProcessPsapi(path, view) != kKillUnavailable ? 1 : 0;
    KillResult result;
    if (platform == kPlatformWindows9x)
        result = KillProcessToolhelp(path, view, report);
    else if (platform == kPlatformNt)
        result = KillProcessPerfData(path, view, report);
    else
        return 1;  // no technique for this system: the caller's second deletion attempt decides
    if (result == kKillEnded)
        return 1;
    ShowSystemNotice("Could not kill process", path);
    return 0;
}
