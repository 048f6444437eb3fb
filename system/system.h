// Process and system control: version checks, restart, process termination and the memory scan.
#pragma once
#include <cstdint>

// 4 Windows 95/98/ME, 5 NT family, 1 other, 0 when GetVersionExA failed. Asked afresh each call.
int GetPlatformCode();
// 5 NT 4 and earlier, 6 NT 5.x, 0 NT 6 and later, not NT, or failure.
int GetNtVersionCode();
// The version as GetVersionExA reports it (servicePack is its szCSDVersion, terminated).
struct WindowsVersion {
    uint32_t major, minor, build, platformId;
    char servicePack[128];
};
// False when GetVersionExA failed; version is then left zero.
bool QueryWindowsVersion(WindowsVersion& version);
// Enables one privilege of the process token. False when the token could not be opened;
// otherwise adjustError receives GetLastError() after AdjustTokenPrivileges (0 on success,
// 1300 when the account lacks the privilege).
bool EnableTokenPrivilege(const char* privilegeName, unsigned long* adjustError);
// Forced reboot (after SeShutdownPrivilege on the NT family). Callers ignore the result.
int RestartWindows();
// The two steps of a restart, replaceable so that tests can watch them without rebooting.
struct RestartSteps {
    bool (*enablePrivilege)(unsigned long* adjustError);  // the shutdown privilege
    int (*exitWindows)();                                 // the forced reboot itself
};
int RestartWindowsWith(const RestartSteps& steps);

// Terminates the processes that run path, by the platform's technique. 1: retry the deletion.
int KillProcessOfFile(const char* path);
int KillProcessToolhelp(const char* path);
int KillProcessPerfData(const char* path);
bool KillProcessPsapi(const char* path);

// One listed process; lists are built and freed within one call.
struct ProcessNode {
    uint32_t processId;
    char modulePath[340];
    ProcessNode* next;
};

// Memory scan, run first by every scan run; may end the process on the NT family.
void ScanMemory();
void ScanMemoryToolhelp();
int ScanMemoryPsapi();
extern int32_t g_memoryRestartNeeded;
// After a find on the NT family: when memoryRestartNeeded is set, asks whether to restart and calls
// restart on OK. Returns the answer, or 0 when nothing was asked.
int AskRestartAfterMemoryFind(int (*restart)());
