// Shared pieces of the walk benchmarks: timing, peak memory, and a bare two-pass walk that does
// the walker's directory passes and the detector's header reads (or opens nothing), with or
// without window work.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "base/file_reader.h"
#include "match/signature_match.h"
#include "scan/scan_run.h"
#include "scan/walker.h"

namespace bench {

inline double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct MemoryCounters {  // PROCESS_MEMORY_COUNTERS, looked up by name like the product does
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
        QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage;
};

// Prints "peak_ws_kib=N peak_private_kib=N" of this process.
inline void PrintPeakMemory()
{
    typedef BOOL(WINAPI * GetInfo)(HANDLE, MemoryCounters*, DWORD);
    HMODULE psapi = LoadLibraryA("psapi.dll");
    GetInfo pGetProcessMemoryInfo =
        psapi ? reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(psapi, "GetProcessMemoryInfo"))) : nullptr;
    MemoryCounters counters = {};
    counters.cb = sizeof(counters);
    if (pGetProcessMemoryInfo && pGetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        printf(" peak_ws_kib=%lu peak_private_kib=%lu", static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
               static_cast<unsigned long>(counters.PeakPagefileUsage / 1024));
}

// The detector's reads of one file: open, length, header offset, signature, file header,
// optional header head, section table; no record loop.
inline void ReadHeaders(const char* path)
{
    static PeImageInfo info;
    FileReader file(path);
    if (!file.IsOpen())
        return;
    info.fileLength = static_cast<int32_t>(file.Length());
    if (ReadPeHeaders(file, info))
        ReadSectionTable(file, info);
}

struct WindowWork {
    bool enabled;
    HWND label;  // static control of a hidden window
};

inline void Pump(const WindowWork& work)
{
    if (!work.enabled)
        return;
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Same passes and path building as the walker; returns the number of files met. With openFiles
// off no file is opened: what is left is the walk and its window work.
inline long BareWalk(const char* pattern, const WindowWork& work, bool openFiles = true)
{
    long files = 0;
    WIN32_FIND_DATAA entry;
    char path[MAX_PATH];
    char shown[MAX_PATH];
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            Pump(work);
            if (BuildEntryPath(pattern, entry.cFileName, path, sizeof(path)) == 1) {
                if (work.enabled) {
                    ShortenForDisplay(path, shown, sizeof(shown), kCurrentTextChars);
                    SetWindowTextA(work.label, shown);
                }
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    ++files;
                    if (openFiles)
                        ReadHeaders(path);
                }
            }
            Pump(work);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    char folders[MAX_PATH];
    if (BuildFolderPassPattern(pattern, folders, sizeof(folders)) != 1)
        return files;
    search = FindFirstFileA(folders, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        Pump(work);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || strcmp(entry.cFileName, ".") == 0 ||
            strcmp(entry.cFileName, "..") == 0)
            continue;
        if (BuildChildPattern(pattern, entry.cFileName, path, sizeof(path)) == 1)
            files += BareWalk(path, work, openFiles);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return files;
}

// A hidden window with a static control, for the window work of the walks.
inline HWND MakeHiddenWindow(WNDPROC proc, HWND* label)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TarvexBenchHost";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 400, 200, nullptr, nullptr,
                                wc.hInstance, nullptr);
    *label = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 380, 20, window, nullptr, wc.hInstance, nullptr);
    return window;
}

}  // namespace bench
