// Placeholder until disinfection lands.
#include "disinfect/disinfect.h"
void DisposeInfectedFile(const char*, const char*) {}
void RemoveFromMemory(const char*, const char*) {}
int ScheduleDeleteAtRestart(const char*) { return 0; }
bool AddWininitRename(const char*, const char*) { return false; }
int CleanAutostart(const char*) { return 1; }
void ScanAutostartValues(HKEY, const char*) {}
int DeleteRegistryValue(HKEY, const char*, const char*) { return 0; }
int StopService(const char*) { return 0; }
int RemoveServiceKeys(const char*) { return 0; }
int DeleteMachineKey(const char*) { return 0; }
