// Process listing shared by process termination and the memory scan: the toolhelp and psapi
// functions looked up by name, and ProcessNode lists built from either.
#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <cstdint>

#include "platform/process_list.h"

typedef HANDLE(WINAPI* CreateSnapshotFunction)(DWORD flags, DWORD processId);
typedef BOOL(WINAPI* Process32Function)(HANDLE snapshot, PROCESSENTRY32* entry);
typedef BOOL(WINAPI* EnumProcessesFunction)(DWORD* ids, DWORD size, DWORD* needed);
typedef DWORD(WINAPI* GetModuleFileNameExFunction)(HANDLE process, HMODULE module, LPSTR name, DWORD size);
typedef BOOL(WINAPI* QueryFullProcessImageNameFunction)(HANDLE process, DWORD flags, LPSTR name, PDWORD size);

// One listed process; lists are built and freed within one call.
struct ProcessNode {
    uint32_t processId;
    char modulePath[340];
    ProcessNode* next;
};

// A function of a library loaded by name, as its typed pointer; null when the library lacks it.
template <typename Function>
Function LookUpFunction(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct ToolhelpFunctions {
    CreateSnapshotFunction pCreateToolhelp32Snapshot;
    Process32Function pProcess32First;
};

// Looks up the snapshot functions in kernel; false when one is missing (Windows NT 4 has none).
bool ResolveToolhelp(HMODULE kernel, ToolhelpFunctions& toolhelp);
// Looked up afresh before each step of a snapshot walk.
Process32Function ResolveProcess32Next(HMODULE kernel);

// What a snapshot walk does with one entry: true to go on to the next.
typedef bool (*SnapshotVisit)(void* context, const PROCESSENTRY32& entry);
// Pauses of a snapshot walk in milliseconds, 0 for none. The termination technique of 95/98/ME
// paces its walk; a listing does not.
struct SnapshotPauses {
    DWORD afterLoad;      // after loading the library, whether or not it loaded
    DWORD afterSnapshot;  // after taking the snapshot, whether or not it was taken
    DWORD aroundStep;     // before and after every Process32Next
};
enum SnapshotWalk {
    kSnapshotUnavailable,  // library, record, function or snapshot missing, or no first entry
    kSnapshotWalked,       // every entry visited
    kSnapshotStopped,      // the visit asked to stop
    kSnapshotNoNextStep,   // Process32Next could not be looked up
};
// The one toolhelp snapshot walk: every process of a snapshot, in the system's order, to visit.
SnapshotWalk WalkSnapshot(const SnapshotPauses& pauses, SnapshotVisit visit, void* context);

// The process functions of psapi.dll (NT) and QueryFullProcessImageNameA (Vista and later), looked
// up by name once per process; each pointer is null where the system lacks it. psapi.dll stays
// loaded for the life of the process.
struct ProcessFunctions {
    EnumProcessesFunction pEnumProcesses;
    GetModuleFileNameExFunction pGetModuleFileNameExA;
    QueryFullProcessImageNameFunction pQueryFullProcessImageNameA;
};
const ProcessFunctions& LookUpProcessFunctions();

enum ProcessListResult {
    kListUnavailable,  // library or function missing, snapshot failed, or no process listed
    kListComplete,
    kListOutOfMemory,  // a node could not be allocated; the list has been freed
};

// psapi list of every process whose main module path could be read, in the system's order.
// debugOnDenied: a process that refuses access is asked again after enabling SeDebugPrivilege.
ProcessListResult ListProcessesPsapi(ProcessNode** list, bool debugOnDenied);
// Toolhelp list of every process of a snapshot with its szExeFile.
ProcessListResult ListProcessesToolhelp(ProcessNode** list);
void FreeProcessList(ProcessNode* list);
// Opens and ends one process (exit code 0); true when TerminateProcess succeeded.
bool TerminateById(DWORD processId, DWORD access);
