// Autostart and hosts cleanup: the machine-wide values that start an infected file.
#pragma once
#include <windows.h>
#include <cstddef>

#include "base/product.h"
#include "run/system_folders.h"

// The detector the hosts file is offered to (the detectors hand in the mail-file detector): non-zero
// when it handled the file.
struct ScanState;
typedef int (*HostsFileDetector)(ScanState& state, const char* name, const char* path);
// Autostart and hosts cleanup after every detection: the hosts file first goes to hostsDetector
// (none when null), then the autostart values are cleaned. Always 1.
int CleanAutostart(ScanState& s, const char* name, HostsFileDetector hostsDetector);
// Under WOW64 the values are read, and deleted, in the registry view given; kViewOnly passes no
// view flag (Windows 2000 refuses them).
void ScanAutostartValues(ScanState& s, HKEY root, const char* subkey, RegistryView view = kViewOnly);
// The hosts file offered to the mail-file detector on this platform code (kPlatformNt, kPlatformWindows9x);
// false on other platforms or when the path does not fit.
bool GetHostsFilePath(int platformCode, char* path, size_t pathSize);
