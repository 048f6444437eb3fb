// Disinfection: what is done to an infected file, to the autostart values that start it and to
// the service named after it.
#pragma once
#include <windows.h>
#include <cstddef>

#include "base/product.h"
#include "base/system_folders.h"
#include "base/win32_scope.h"

// What a detector's disposal does beyond a plain deletion, and the words of its result lines.
struct DisposalTexts {
    // Attributes reset before the deletion, the holding process ended, deletion at the next start
    // of Windows when all else fails; without it a failed deletion is only reported.
    bool forced;
    const char* removeFailed;  // the file stays (or waits for the restart)
    const char* leftAsChosen;  // kDispositionLeave
};
// The signature detector's disposal, which the memory scan's second pass shares.
extern const DisposalTexts kFileDisposal;
// Disposes of a detected (already closed) file by ScanState::dispositionCode, one result line.
// A deletion registered for the next start sets ScanState::restartNeeded; nothing here clears it.
void DisposeInfectedFile(const char* path, const char* name, const DisposalTexts& texts = kFileDisposal);
// Renames a detected file by MakeRenamedPath, one result line ("renamed" or "Rename failed").
void RenameInfectedFile(const char* path, const char* name);
// The name an infected file is renamed to: the character after the last '.' of the path becomes
// 'V' (a final '.' gets a 'V' appended); a path without '.' is unchanged. False when it does not fit.
bool MakeRenamedPath(const char* path, char* renamed, size_t renamedSize);
// A spare byte for the 'V' after a '.' that ends a path of MAX_PATH - 1 characters.
const size_t kRenamedPathSize = MAX_PATH + 1;
// Second pass of the memory scan: "System Memory" line, one second's pause, then disposal.
void RemoveFromMemory(const char* path, const char* familyName);
// Registers deletion of path at the next start of Windows; non-zero only when it was registered.
int ScheduleDeleteAtRestart(const char* path);
// Adds target=file to the [rename] section of wininit.ini in the Windows folder. The new text is
// written beside it and replaces it only when whole; on failure the old file stays as it was.
bool AddWininitRename(const char* target, const char* file);
// AddWininitRename with the replacing rename given (tests stand in for the 9x stub).
typedef BOOL(WINAPI* MoveFileExRoutine)(LPCSTR existing, LPCSTR replacement, DWORD flags);
bool AddWininitRenameWith(const char* target, const char* file, MoveFileExRoutine moveFileEx);

// The detector the hosts file is offered to (the detectors hand in the mail-file detector): non-zero
// when it handled the file.
typedef int (*HostsFileDetector)(const char* name, const char* path);
// Autostart and hosts cleanup after every detection: the hosts file first goes to hostsDetector
// (none when null), then the autostart values are cleaned. Always 1.
int CleanAutostart(const char* name, HostsFileDetector hostsDetector);
// Under WOW64 the values are read, and deleted, in the registry view given; kViewOnly passes no
// view flag (Windows 2000 refuses them).
void ScanAutostartValues(HKEY root, const char* subkey, RegistryView view = kViewOnly);
// The hosts file offered to the mail-file detector on this platform code (kPlatformNt, kPlatformWindows9x);
// false on other platforms or when the path does not fit.
bool GetHostsFilePath(int platformCode, char* path, size_t pathSize);


// Service stop and key removal (memory scan on NT 5.x and earlier).
int StopService(const char* serviceName);
// StopService with the pause between status polls given (tests count the pauses).
typedef void (*PauseRoutine)(DWORD milliseconds);
int StopServiceWith(const char* serviceName, PauseRoutine pause);
// Pauses of 1000 ms granted to a service that stays in STOP_PENDING: about 30 seconds.
const int kStopPendingPolls = 30;
int RemoveServiceKeys(const char* serviceName);
