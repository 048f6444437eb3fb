// The running Windows' version as GetVersionExA reports it: filled by the platform layer, written
// into the scan report's start line (portable: no Win32).
#pragma once
#include <cstdint>

struct WindowsVersion {
    uint32_t major, minor, build, platformId;
    char servicePack[128];  // szCSDVersion, terminated
};
