// Files as the Wine-side test programs see them: a helper program beside the test, whether a path
// exists, whole files as byte strings; and the sentinel last error set before a call under test.
#pragma once
#include <windows.h>

#include <string>

// Set before a call whose error is checked: the error seen afterwards is then the call's own, not
// one left behind by an earlier call.
const DWORD kSentinelError = 0xdeadbeef;
inline void SetSentinelError()
{
    SetLastError(kSentinelError);
}

// A file in this program's own folder, where the scripts put the helper programs.
inline std::string HelperPath(const char* fileName)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length < sizeof(path) ? length : 0);
    return folder.substr(0, folder.rfind('\\') + 1) + fileName;
}

// A folder of that name in the temporary folder, made when missing.
inline std::string MakeTempFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Writes the bytes as the whole file, over a read-only one too.
inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The file's bytes, or "<absent>" when it cannot be opened.
inline std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<absent>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}
