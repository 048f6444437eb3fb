// Token privileges and the forced restart of Windows that completes a removal.
#include <windows.h>
#include <cstring>
#include "base/win32_scope.h"
#include "platform/restart.h"
#include "platform/version.h"

bool EnableTokenPrivilege(const char* privilegeName, unsigned long* adjustError)
{
    *adjustError = 0;
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out()))
        return false;
    TOKEN_PRIVILEGES privileges;
    std::memset(&privileges, 0, sizeof(privileges));
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // A failed look-up leaves a zero LUID; the adjustment then fails and its error is what the
    // callers read.
    LookupPrivilegeValueA(nullptr, privilegeName, &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    *adjustError = GetLastError();
    return true;
}

namespace {

bool EnableShutdownPrivilege(unsigned long* adjustError)
{
    return EnableTokenPrivilege("SeShutdownPrivilege", adjustError);
}

int ExitWindowsForcedReboot()
{
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0) ? 1 : 0;
}

}  // namespace

int RestartWindowsWith(const RestartSteps& steps, bool* started)
{
    if (started != nullptr)
        *started = false;
    // Windows 95/98/ME has no token privileges; every other code, unknown ones included, asks
    // for the shutdown privilege first.
    if (GetPlatformCode() != kPlatformWindows9x) {
        unsigned long adjustError = 0;
        if (!steps.enablePrivilege(&adjustError))
            return 0;
        if (adjustError != 0)
            return static_cast<int>(adjustError);
    }
    int result = steps.exitWindows();
    if (started != nullptr)
        *started = result != 0;
    return result;
}

int RestartWindows(bool* started)
{
    const RestartSteps steps = {EnableShutdownPrivilege, ExitWindowsForcedReboot};
    return RestartWindowsWith(steps, started);
}
