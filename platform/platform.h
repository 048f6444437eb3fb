// Process and system control: version checks, restart and process termination.
#pragma once
#include <cstdint>

#include "base/product.h"
#include "base/system_folders.h"
#include "base/windows_version.h"

// kPlatformWindows9x, kPlatformNt, kPlatformOther, or kPlatformFailed. Asked afresh each call.
int GetPlatformCode();
// kNtVersion4 (NT 4 and earlier), kNtVersion5 (NT 5.x), or kNtVersionNone.
int GetNtVersionCode();
// Whether this 32-bit program runs under WOW64, and the Windows folder's spellings that its path
// rules need. Asked once per scan: a system without IsWow64Process (95/98/ME, NT 4, 2000, early
// XP) or that does not answer is taken as no WOW64.
void QueryWow64View(Wow64View& view);
// False when GetVersionExA failed; version is then left zero.
bool QueryWindowsVersion(WindowsVersion& version);
// Enables one privilege of the process token. False when the token could not be opened;
// otherwise adjustError receives GetLastError() after AdjustTokenPrivileges (0 on success,
// 1300 when the account lacks the privilege).
bool EnableTokenPrivilege(const char* privilegeName, unsigned long* adjustError);
// Forced reboot (after SeShutdownPrivilege on the NT family). Callers ignore the result; started,
// when given, says whether the reboot was set going.
int RestartWindows(bool* started = nullptr);
// The two steps of a restart, replaceable so that tests can watch them without rebooting.
struct RestartSteps {
    bool (*enablePrivilege)(unsigned long* adjustError);  // the shutdown privilege
    int (*exitWindows)();                                 // the forced reboot itself
};
int RestartWindowsWith(const RestartSteps& steps, bool* started = nullptr);

// Terminates the processes that run path, by the platform's technique. 1: retry the deletion.
// path is the 64-bit program's spelling; view is the scan's WOW64 view.
int KillProcessOfFile(const char* path, const Wow64View& view);
// What each termination technique did.
enum KillResult {
    kKillUnavailable,  // the process list could not be had (library, function or data missing)
    kKillNoneEnded,    // listed; no process running the file was ended
    kKillEnded,        // at least one process running the file was ended
};
// 95/98/ME: the first process whose file name is the file's.
KillResult KillProcessToolhelp(const char* path, const Wow64View& view);
// NT 4 and NT 6 and later: every process whose instance name begins with the file's base name and
// whose image is the file.
KillResult KillProcessPerfData(const char* path, const Wow64View& view);
// NT 5.x: every process whose main module is the file, by its whole path.
KillResult KillProcessPsapi(const char* path, const Wow64View& view);

// One listed process; lists are built and freed within one call.
struct ProcessNode {
    uint32_t processId;
    char modulePath[340];
    ProcessNode* next;
};
