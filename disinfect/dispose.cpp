// Disposal of detected files: removal, renaming, and deletion at the next start of Windows.
#include <windows.h>
#include <cstring>

#include "base/byte_reader.h"
#include "base/file_reader.h"
#include "base/text.h"
#include "disinfect/disinfect.h"
#include "disinfect/wininit_text.h"
#include "scan/scan_state.h"
#include "system/system.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (IsOpen())
            CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

class FileSink : public TextSink {
public:
    explicit FileSink(HANDLE file) : m_file(file) {}
    bool Write(const char* data, size_t size) override
    {
        DWORD written = 0;
        return WriteFile(m_file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    }

private:
    HANDLE m_file;
};

void RenameInfectedFile(const char* path, const char* name)
{
    char newPath[MAX_PATH + 1];  // a spare byte for the 'V' after a '.' that ends the path
    bool fits = CopyText(newPath, sizeof(newPath), path);
    // The last '.' of the whole path, so C:\a.b\file becomes C:\a.V\file (and the move fails).
    char* dot = std::strrchr(newPath, '.');
    if (fits && dot != nullptr) {
        if (dot[1] != '\0')
            dot[1] = 'V';
        else
            fits = AppendText(newPath, sizeof(newPath), "V");
    }
    if (fits && MoveFileA(path, newPath))
        SendResultLine("%s     %s renamed", path, name);
    else
        SendResultLine("%s     %s Rename failed", path, name);
}

void RemoveInfectedFile(const char* path, const char* name)
{
    // Clears read-only, hidden and system, which would make the deletion fail.
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE)) {
        SendResultLine("%s     %s Unable to remove", g_scanState.currentText, g_scanState.currentName);
        return;
    }
    if (DeleteFileA(path) || (KillProcessOfFile(path) != 0 && DeleteFileA(path))) {
        g_scanState.filesRemoved += 1;
        SendResultLine("%s     %s removed", path, name);
        return;
    }
    SendResultLine("%s     %s Unable to remove", path, name);
    // A later failed request must not withdraw the restart an earlier one needs.
    if (ScheduleDeleteAtRestart(path) != 0)
        g_scanState.restartNeeded = 1;
}

}  // namespace

void DisposeInfectedFile(const char* path, const char* name)
{
    switch (g_scanState.dispositionCode) {
    case kDispositionRename:
        RenameInfectedFile(path, name);
        break;
    case kDispositionRemove:
    case kDispositionRemoveToo:
        RemoveInfectedFile(path, name);
        break;
    case kDispositionLeave:
        SendResultLine("%s     %s not disinfected as per user's selection", g_scanState.currentText,
                       g_scanState.currentName);
        break;
    default:
        break;
    }
}

void RemoveFromMemory(const char* path, const char* familyName)
{
    g_scanState.dispositionCode = g_scanState.memoryDisposition;
    SendResultLine("System Memory    W32/KYR.Trojan removed");
    // Gives the just-terminated process time to let go of its file.
    Sleep(1000);
    DisposeInfectedFile(path, familyName);
}

int ScheduleDeleteAtRestart(const char* path)
{
    int platform = GetPlatformCode();
    if (platform == 5)
        return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    if (platform == 4) {
        // wininit.ini runs before long names are available; the full path is the fallback.
        char shortPath[MAX_PATH];
        DWORD length = GetShortPathNameA(path, shortPath, sizeof(shortPath));
        const char* entry = (length == 0 || length >= sizeof(shortPath)) ? path : shortPath;
        return AddWininitRename("NUL", entry) ? 1 : 0;
    }
    return 0;
}

bool AddWininitRename(const char* target, const char* file)
{
    char iniPath[350];
    UINT folderLength = GetWindowsDirectoryA(iniPath, sizeof(iniPath));
    if (folderLength == 0 || folderLength >= sizeof(iniPath) || !AppendText(iniPath, sizeof(iniPath), "\\wininit.ini"))
        return false;

    if (GetFileAttributesA(iniPath) == INVALID_FILE_ATTRIBUTES) {
        FileHandle created(CreateFileA(iniPath, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!created.IsOpen() || SetFilePointer(created.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
            return false;
        MemoryReader nothing("", 0);
        FileSink sink(created.Get());
        return RewriteWininitText(nothing, target, file, sink);
    }

    // The rewrite reads a copy in the temporary folder, which stays there as a backup.
    char copyPath[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof(copyPath), copyPath);
    if (tempLength == 0 || tempLength >= sizeof(copyPath) || !AppendText(copyPath, sizeof(copyPath), "wininit.ini"))
        return false;
    // An older copy left there must never be written back in place of the current file. A copy of
    // a read-only wininit.ini is read-only too and would refuse the next overwrite.
    SetFileAttributesA(copyPath, FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(iniPath, copyPath, FALSE))
        return false;
    FileReader copy(copyPath, FILE_SHARE_READ);
    if (!copy.IsOpen())
        return false;
    FileHandle ini(CreateFileA(iniPath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ini.IsOpen())
        return false;
    FileSink sink(ini.Get());
    return RewriteWininitText(copy, target, file, sink) && SetEndOfFile(ini.Get());
}
