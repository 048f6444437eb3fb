// What the NT memory scan does with one listed process: walk its module, end it, fall back to the
// service named after the file, and dispose of the file. Portable: every system step is passed in.
#pragma once
#include <cstdint>

struct MemoryScanSteps {
    void* context;
    bool (*fileExists)(void* context, const char* path);
    int (*walk)(void* context, const char* path);  // first walk, memory mode: returns filesScanned
    bool (*matched)(void* context);                // the detector's memoryMatch after that walk
    int32_t dispositionCode;
    bool (*terminate)(void* context, uint32_t processId);  // open with 0x0401 and end: succeeded?
    int (*ntVersionCode)(void* context);
    int (*stopService)(void* context, const char* serviceName);
    int (*removeServiceKeys)(void* context, const char* serviceName);
    void (*disposeWalk)(void* context, const char* path);  // second walk with memoryDisposition set
    int32_t* restartNeeded;
};

// Handles one process; returns 1 when its module was a find (matched, with a disposition that
// acts), else 0.
int ScanMemoryNode(const MemoryScanSteps& steps, uint32_t processId, const char* modulePath);
