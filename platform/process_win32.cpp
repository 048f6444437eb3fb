// Process lists from the toolhelp snapshot and from psapi, with their libraries loaded by name.
#include "platform/process_win32.h"

#include <cstdlib>
#include <cstring>

#include "run/run_options.h"
#include "base/win32_scope.h"
#include "platform/restart.h"

namespace {

// At most this many bytes of a system path are kept in a node (the rest of modulePath stays zero).
const size_t kNodePathBytes = kPathSize;
const DWORD kMaxProcessIds = 1024;

// Appends a zero-filled node at the tail; false when it cannot be allocated.
bool AppendNode(ProcessNode**& tail, DWORD processId, const char* path, size_t pathBytes)
{
    ProcessNode* node = static_cast<ProcessNode*>(std::calloc(1, sizeof(ProcessNode)));
    if (node == nullptr)
        return false;
    node->processId = processId;
    if (pathBytes > kNodePathBytes)
        pathBytes = kNodePathBytes;
    std::memcpy(node->modulePath, path, pathBytes);
    static_assert(sizeof(node->modulePath) > kNodePathBytes, "a copied path always keeps a terminator");
    *tail = node;
    tail = &node->next;
    return true;
}

void EnableDebugPrivilege()
{
    unsigned long adjustError = 0;
    if (!EnableTokenPrivilege("SeDebugPrivilege", &adjustError))
        ShowSystemNotice("false", "TEMP");
}

}  // namespace

bool ResolveToolhelp(HMODULE kernel, ToolhelpFunctions& toolhelp)
{
    toolhelp.pCreateToolhelp32Snapshot =
        LookUpFunction<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    toolhelp.pProcess32First = LookUpFunction<Process32Function>(kernel, "Process32First");
    return toolhelp.pCreateToolhelp32Snapshot != nullptr && toolhelp.pProcess32First != nullptr;
}

Process32Function ResolveProcess32Next(HMODULE kernel)
{
    return LookUpFunction<Process32Function>(kernel, "Process32Next");
}

namespace {

void Pause(DWORD milliseconds)
{
    if (milliseconds != 0)
        Sleep(milliseconds);
}

ProcessFunctions g_processFunctions;
bool g_psapiLoaded = false;
bool g_kernelLookedUp = false;

}  // namespace

SnapshotWalk WalkSnapshot(const SnapshotPauses& pauses, SnapshotVisit visit, void* context)
{
    ScopedLibrary library(LoadLibraryA("Kernel32.dll"));
    HMODULE kernel = library.Get();
    Pause(pauses.afterLoad);
    if (kernel == nullptr)
        return kSnapshotUnavailable;
    ScopedHeapBlock record(sizeof(PROCESSENTRY32));
    PROCESSENTRY32* entry = record.As<PROCESSENTRY32>();
    if (entry == nullptr)
        return kSnapshotUnavailable;
    ToolhelpFunctions toolhelp;
    if (!ResolveToolhelp(kernel, toolhelp))
        return kSnapshotUnavailable;
    ScopedFileHandle snapshotScope(toolhelp.pCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    HANDLE snapshot = snapshotScope.Get();
    Pause(pauses.afterSnapshot);
    if (snapshot == INVALID_HANDLE_VALUE)
        return kSnapshotUnavailable;
    entry->dwSize = sizeof(PROCESSENTRY32);
    if (!toolhelp.pProcess32First(snapshot, entry))
        return kSnapshotUnavailable;
    for (;;) {
        if (!visit(context, *entry))
            return kSnapshotStopped;
        // Looked up afresh before every call, as the snapshot walk always did.
        Process32Function next = ResolveProcess32Next(kernel);
        if (next == nullptr)
            return kSnapshotNoNextStep;
        Pause(pauses.aroundStep);
        bool more = next(snapshot, entry) != 0;
        Pause(pauses.aroundStep);
        if (!more)
            return kSnapshotWalked;
    }
}

const ProcessFunctions& LookUpProcessFunctions()
{
    if (!g_kernelLookedUp) {
        HMODULE kernel = LoadLibraryA("Kernel32.dll");  // never freed: the pointer is kept
        if (kernel != nullptr)
            g_processFunctions.pQueryFullProcessImageNameA =
                LookUpFunction<QueryFullProcessImageNameFunction>(kernel, "QueryFullProcessImageNameA");
        g_kernelLookedUp = true;
    }
    // A system without psapi.dll is asked again next time, as every call once did.
    if (!g_psapiLoaded) {
        HMODULE psapi = LoadLibraryA("psapi.dll");
        if (psapi != nullptr) {
            g_processFunctions.pEnumProcesses = LookUpFunction<EnumProcessesFunction>(psapi, "EnumProcesses");
            g_processFunctions.pGetModuleFileNameExA =
                LookUpFunction<GetModuleFileNameExFunction>(psapi, "GetModuleFileNameExA");
            g_psapiLoaded = true;
        }
    }
    return g_processFunctions;
}

bool TerminateById(DWORD processId, DWORD access)
{
    ScopedHandle process(OpenProcess(access, FALSE, processId));
    if (!process.IsValid())
        return false;
    return TerminateProcess(process.Get(), 0) != 0;
}

void FreeProcessList(ProcessNode* list)
{
    while (list != nullptr) {
        ProcessNode* next = list->next;
        std::free(list);
        list = next;
    }
}

ProcessListResult ListProcessesPsapi(ProcessNode** list, bool debugOnDenied)
{
    *list = nullptr;
    const ProcessFunctions& functions = LookUpProcessFunctions();
    if (functions.pEnumProcesses == nullptr)
        return kListUnavailable;
    DWORD ids[kMaxProcessIds];
    std::memset(ids, 0, sizeof(ids));
    DWORD needed = 0;
    functions.pEnumProcesses(ids, sizeof(ids), &needed);
    DWORD count = needed / sizeof(DWORD);
    if (count > kMaxProcessIds)
        count = kMaxProcessIds;
    if (count == 0 || functions.pGetModuleFileNameExA == nullptr)
        return kListUnavailable;

    ProcessNode** tail = list;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD access = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
        ScopedHandle process(OpenProcess(access, FALSE, ids[i]));
        if (!process.IsValid() && debugOnDenied && GetLastError() == ERROR_ACCESS_DENIED) {
            EnableDebugPrivilege();
            *process.Out() = OpenProcess(access, FALSE, ids[i]);
        }
        if (!process.IsValid())
            continue;
        char path[kNodePathBytes];
        std::memset(path, 0, sizeof(path));
        DWORD length = functions.pGetModuleFileNameExA(process.Get(), nullptr, path, sizeof(path));
        process.Close();
        if (length == 0)
            continue;
        if (!AppendNode(tail, ids[i], path, sizeof(path))) {
            FreeProcessList(*list);
            *list = nullptr;
            return kListOutOfMemory;
        }
    }
    return kListComplete;
}

namespace {

// Appends each snapshot entry to the list; stops when a node cannot be allocated.
struct SnapshotListing {
    ProcessNode** tail;
    bool outOfMemory;
};

bool AppendSnapshotEntry(void* context, const PROCESSENTRY32& entry)
{
    SnapshotListing& listing = *static_cast<SnapshotListing*>(context);
    if (AppendNode(listing.tail, entry.th32ProcessID, entry.szExeFile, sizeof(entry.szExeFile)))
        return true;
    listing.outOfMemory = true;
    return false;
}

}  // namespace

ProcessListResult ListProcessesToolhelp(ProcessNode** list)
{
    *list = nullptr;
    const SnapshotPauses noPauses = {0, 0, 0};
    SnapshotListing listing = {list, false};
    SnapshotWalk walked = WalkSnapshot(noPauses, AppendSnapshotEntry, &listing);
    ProcessListResult result = walked == kSnapshotWalked ? kListComplete
                               : listing.outOfMemory      ? kListOutOfMemory
                                                          : kListUnavailable;
    if (result != kListComplete) {
        FreeProcessList(*list);
        *list = nullptr;
    }
    return result;
}
