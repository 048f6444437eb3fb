// Windows version checks: the version codes that choose each technique, the reported version and WOW64.
#include <windows.h>
#include <cstring>
#include "base/product.h"
#include "base/text.h"
#include "platform/version.h"
#include "platform/process_win32.h"

namespace {

// Fills info; false when the system would not say.
bool QueryVersion(OSVERSIONINFOA& info)
{
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(&info) != 0;
}

}  // namespace

void QueryWow64View(Wow64View& view)
{
    view = Wow64View{};
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    IsWow64ProcessFunction pIsWow64Process =
        kernel != nullptr ? LookUpFunction<IsWow64ProcessFunction>(kernel, "IsWow64Process") : nullptr;
    BOOL wow64 = FALSE;
    if (pIsWow64Process == nullptr || !pIsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        return;
    // The folder above System32 rather than GetWindowsDirectoryA, which a terminal server may
    // point at the user's own Windows folder.
    char folder[kPathSize];
    UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    if (length == 0 || length >= sizeof(folder))
        return;
    char* lastSlash = std::strrchr(folder, '\\');
    if (lastSlash == nullptr || lastSlash - folder < 2)
        return;
    *lastSlash = '\0';
    view.active = true;
    CopyText(view.windowsFolder, sizeof(view.windowsFolder), folder);
    DWORD shortLength = GetShortPathNameA(folder, view.windowsFolderShort, sizeof(view.windowsFolderShort));
    if (shortLength == 0 || shortLength >= sizeof(view.windowsFolderShort))
        view.windowsFolderShort[0] = '\0';
}

bool QueryWindowsVersion(WindowsVersion& version)
{
    version = WindowsVersion{};
    OSVERSIONINFOA info;
    if (!QueryVersion(info))
        return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.platformId = info.dwPlatformId;
    CopyTextN(version.servicePack, sizeof(version.servicePack), info.szCSDVersion, sizeof(info.szCSDVersion));
    return true;
}

int GetPlatformCode()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(info))
        return kPlatformFailed;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return kPlatformWindows9x;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return kPlatformNt;
    return kPlatformOther;
}

int GetNtVersionCode()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return kNtVersionNone;
    if (info.dwMajorVersion <= 4)
        return kNtVersion4;
    if (info.dwMajorVersion == 5)
        return kNtVersion5;
    return kNtVersionNone;
}
