// Privileges of the process token, and restarting Windows: the shutdown privilege, then the forced
// reboot.
#pragma once

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
