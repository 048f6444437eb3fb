// Disinfection: what is done to an infected file, to the autostart values that start it and to
// the service named after it.
#pragma once
#include <windows.h>

// DispositionCode values held in ScanState::dispositionCode.
const int kDispositionRemove = 100;
const int kDispositionRename = 101;
const int kDispositionRemoveToo = 102;
const int kDispositionLeave = 103;

// Disposes of a detected (already closed) file by ScanState::dispositionCode, one result line.
void DisposeInfectedFile(const char* path, const char* name);
// Second pass of the memory scan: "System Memory" line, one second's pause, then disposal.
void RemoveFromMemory(const char* path, const char* familyName);
// Registers deletion of path at the next start of Windows; non-zero when registered.
int ScheduleDeleteAtRestart(const char* path);
// Adds target=file to the [rename] section of wininit.ini in the Windows folder.
bool AddWininitRename(const char* target, const char* file);

// Autostart and hosts cleanup after every detection. Always 1.
int CleanAutostart(const char* name);
void ScanAutostartValues(HKEY root, const char* subkey);
int DeleteRegistryValue(HKEY root, const char* subkey, const char* valueName);

// Service stop and key removal (memory scan on NT 5.x and earlier).
int StopService(const char* serviceName);
int RemoveServiceKeys(const char* serviceName);
int DeleteMachineKey(const char* subkey);
