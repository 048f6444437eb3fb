// The tool's registry access, in one place so that every key is closed and every view flag passed.
#include "platform/registry.h"

REGSAM ViewFlag(RegistryView view)
{
    return view == kView64 ? KEY_WOW64_64KEY : view == kView32 ? KEY_WOW64_32KEY : 0;
}

bool OpenRegistryKey(HKEY root, const char* subkey, REGSAM access, ScopedRegistryKey& key, RegistryView view)
{
    return RegOpenKeyExA(root, subkey, 0, access | ViewFlag(view), key.Out()) == ERROR_SUCCESS;
}

LONG QueryRegistryValue(HKEY key, const char* valueName, void* data, DWORD* size)
{
    return RegQueryValueExA(key, valueName, nullptr, nullptr, static_cast<BYTE*>(data), size);
}

bool ReadRegistryValue(HKEY key, const char* valueName, size_t maxSize, RegistryData& data, DWORD* got)
{
    DWORD size = 0;
    if (QueryRegistryValue(key, valueName, nullptr, &size) != ERROR_SUCCESS || size > maxSize)
        return false;
    // The two spare zero bytes end data stored without its terminator.
    if (!data.Reserve(static_cast<size_t>(size) + 2))
        return false;
    DWORD read = size;
    if (QueryRegistryValue(key, valueName, data.Data(), &read) != ERROR_SUCCESS)
        return false;
    if (read > size)
        read = size;
    data.Data()[read] = '\0';
    data.Data()[read + 1] = '\0';
    if (got != nullptr)
        *got = read;
    return true;
}

int ReadRegistryString(HKEY root, const char* subkey, const char* valueName, RegistryData& data, RegistryView view)
{
    ScopedRegistryKey key;
    if (!OpenRegistryKey(root, subkey, KEY_READ, key, view))
        return 0;
    bool read = ReadRegistryValue(key.Get(), valueName, kMaxRegistryDataSize, data);
    bool closed = key.Close();
    return read && closed ? 1 : 0;
}

bool CountRegistryValues(HKEY key, DWORD* count)
{
    *count = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, count, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegistryValueName(HKEY key, DWORD index, char (&name)[kValueNameChars + 1])
{
    DWORD nameLength = kValueNameChars;
    if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name[kValueNameChars] = '\0';
    return true;
}

int DeleteRegistryValue(HKEY root, const char* subkey, const char* valueName, RegistryView view)
{
    ScopedRegistryKey key;
    if (!OpenRegistryKey(root, subkey, KEY_ALL_ACCESS, key, view))
        return 0;
    bool deleted = RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS;
    bool closed = key.Close();
    return deleted && closed ? 1 : 0;
}

int DeleteRegistryKey(HKEY root, const char* subkey)
{
    return RegDeleteKeyA(root, subkey) == ERROR_SUCCESS ? 1 : 0;
}
