// Process lists from the toolhelp snapshot and from psapi, with their libraries loaded by name.
#include "platform/process_win32.h"

#include <cstdlib>
#include <cstring>

#include "base/run_options.h"
#include "base/win32_scope.h"

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
    HMODULE psapi = LoadLibraryA("psapi.dll");  // stays loaded for the life of the process
    if (psapi == nullptr)
        return kListUnavailable;
    EnumProcessesFunction pEnumProcesses =
        LookUpFunction<EnumProcessesFunction>(psapi, "EnumProcesses");
    if (pEnumProcesses == nullptr)
        return kListUnavailable;
    DWORD ids[kMaxProcessIds];
    std::memset(ids, 0, sizeof(ids));
    DWORD needed = 0;
    pEnumProcesses(ids, sizeof(ids), &needed);
    DWORD count = needed / sizeof(DWORD);
    if (count > kMaxProcessIds)
        count = kMaxProcessIds;
    if (count == 0)
        return kListUnavailable;
    GetModuleFileNameExFunction pGetModuleFileNameExA =
        LookUpFunction<GetModuleFileNameExFunction>(psapi, "GetModuleFileNameExA");
    if (pGetModuleFileNameExA == nullptr)
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
        DWORD length = pGetModuleFileNameExA(process.Get(), nullptr, path, sizeof(path));
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

ProcessListResult ListProcessesToolhelp(ProcessNode** list)
{
    *list = nullptr;
    ScopedLibrary library(LoadLibraryA("Kernel32.dll"));
    HMODULE kernel = library.Get();
    if (kernel == nullptr)
        return kListUnavailable;
    ScopedHeapBlock record(sizeof(PROCESSENTRY32));
    PROCESSENTRY32* entry = record.As<PROCESSENTRY32>();
    if (entry == nullptr)
        return kListUnavailable;
    ToolhelpFunctions toolhelp;
    ScopedFileHandle snapshotScope;
    if (ResolveToolhelp(kernel, toolhelp))
        *snapshotScope.Out() = toolhelp.pCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    HANDLE snapshot = snapshotScope.Get();
    if (snapshot == INVALID_HANDLE_VALUE)
        return kListUnavailable;
    entry->dwSize = sizeof(PROCESSENTRY32);
    ProcessListResult result = kListUnavailable;
    ProcessNode** tail = list;
    if (toolhelp.pProcess32First(snapshot, entry)) {
        result = kListComplete;
        for (;;) {
            if (!AppendNode(tail, entry->th32ProcessID, entry->szExeFile, sizeof(entry->szExeFile))) {
                result = kListOutOfMemory;
                break;
            }
            Process32Function next = ResolveProcess32Next(kernel);
            if (next == nullptr) {
                result = kListUnavailable;
                break;
            }
            if (!next(snapshot, entry))
                break;
        }
    }
    if (result != kListComplete) {
        FreeProcessList(*list);
        *list = nullptr;
    }
    return result;
}
