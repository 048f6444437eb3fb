// Registry values as the Wine-side test programs plant and look for them, through the system's own
// calls rather than the product's.
#pragma once
#include <windows.h>

#include <string>

// Stores name = data under root\subkey, making the key; REG_BINARY data is stored without a
// terminator.
inline void SetValue(HKEY root, const char* subkey, const std::string& name, const std::string& data,
                     DWORD type = REG_SZ)
{
    HKEY key;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = static_cast<DWORD>(data.size() + (type == REG_BINARY ? 0 : 1));
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()), size);
    RegCloseKey(key);
}

inline bool HasValue(HKEY root, const char* subkey, const std::string& name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}
