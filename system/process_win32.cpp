// Process lists from the toolhelp snapshot and from psapi, with their libraries loaded by name.
#include "system/process_win32.h"

#include <cstdlib>
#include <cstring>

namespace {

// At most this many bytes of a system path are kept in a node (the rest of modulePath stays zero).
const size_t kNodePathBytes = 260;
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
        MessageBoxA(nullptr, "false", "TEMP", 0);
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
    HANDLE process = OpenProcess(access, FALSE, processId);
    if (process == nullptr)
        return false;
    bool ended = TerminateProcess(process, 0) != 0;
    CloseHandle(process);
    return ended;
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
        HANDLE process = OpenProcess(access, FALSE, ids[i]);
        if (process == nullptr && debugOnDenied && GetLastError() == ERROR_ACCESS_DENIED) {
            EnableDebugPrivilege();
            process = OpenProcess(access, FALSE, ids[i]);
        }
        if (process == nullptr)
            continue;
        char path[kNodePathBytes];
        std::memset(path, 0, sizeof(path));
        DWORD length = pGetModuleFileNameExA(process, nullptr, path, sizeof(path));
        CloseHandle(process);
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
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    if (kernel == nullptr)
        return kListUnavailable;
    PROCESSENTRY32* entry = static_cast<PROCESSENTRY32*>(std::calloc(1, sizeof(PROCESSENTRY32)));
    if (entry == nullptr)
        return kListUnavailable;
    ToolhelpFunctions toolhelp;
    HANDLE snapshot = INVALID_HANDLE_VALUE;
    if (ResolveToolhelp(kernel, toolhelp))
        snapshot = toolhelp.pCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        std::free(entry);
        return kListUnavailable;
    }
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
    CloseHandle(snapshot);
    std::free(entry);
    return result;
}
