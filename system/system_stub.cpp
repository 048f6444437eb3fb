// Placeholder until process termination and the memory scan land.
#include <windows.h>
#include "system/system.h"
int32_t g_memoryRestartNeeded = 0;
int KillProcessOfFile(const char*) { return 1; }
int KillProcessToolhelp(const char*) { return 0; }
int KillProcessPerfData(const char*) { return 0; }
bool KillProcessPsapi(const char*) { return false; }
void ScanMemory() {}
void ScanMemoryToolhelp() {}
int ScanMemoryPsapi() { return 0; }
