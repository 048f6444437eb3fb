// The memory scan, run first by every scan run: the running processes' files offered to the detectors.
#pragma once
#include <cstdint>

struct ScanState;

// Runs the memory scan; may end the process on the NT family.
void ScanMemory(ScanState& s);
void ScanMemoryToolhelp(ScanState& s);
int ScanMemoryPsapi(ScanState& s);
extern int32_t g_memoryRestartNeeded;
// After a find on the NT family: when memoryRestartNeeded is set, asks whether to restart and calls
// restart on OK. Returns the answer, or 0 when nothing was asked.
int AskRestartAfterMemoryFind(ScanState& s, int (*restart)());
