// Acting through the handle that matched: the attribute reset, the deletion and the rename go to
// ntdll's NtSetInformationFile, which every NT has, so no step goes back to the path.
#include "platform/held_file.h"

#include <cstring>

#include "base/text.h"
#include "platform/held_file_rules.h"
#include "platform/version.h"

namespace {

// The flag is defined from Windows 2000 on; NT 4 never sees it.
const DWORD kOpenReparsePoint = 0x00200000;
const ULONG kFileBasicInformation = 4;
const ULONG kFileRenameInformation = 10;
const ULONG kFileLinkInformation = 11;
const ULONG kFileDispositionInformation = 13;

struct IoStatus {
    LONG status;
    ULONG_PTR information;
};
struct BasicInformation {
    LARGE_INTEGER creationTime;  // zero: left as it is
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    ULONG attributes;
};
typedef LONG(WINAPI* SetInformationFileRoutine)(HANDLE file, IoStatus* status, void* information, ULONG length,
                                                ULONG informationClass);

SetInformationFileRoutine LookUpSetInformationFile()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr
               ? reinterpret_cast<SetInformationFileRoutine>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")))
               : nullptr;
}

bool SetInformation(HANDLE file, void* information, ULONG length, ULONG informationClass)
{
    SetInformationFileRoutine pSetInformationFile = LookUpSetInformationFile();
    if (pSetInformationFile == nullptr)
        return false;
    IoStatus status = {0, 0};
    return pSetInformationFile(file, &status, information, length, informationClass) >= 0;
}

// Renames the file or gives it another name (informationClass), never over another file.
bool SetName(HANDLE file, const char* newPath, ULONG informationClass)
{
    // The system's own spelling of a full path: \??\C:\... or \??\UNC\server\share\...
    char ntPath[kPathSize + 16];
    bool share = newPath[0] == '\\' && newPath[1] == '\\';
    if (!CopyText(ntPath, sizeof(ntPath), share ? "\\??\\UNC\\" : "\\??\\") ||
        !AppendText(ntPath, sizeof(ntPath), share ? newPath + 2 : newPath))
        return false;
    // ReplaceIfExists, RootDirectory, FileNameLength, then the name in UTF-16; the link's layout is
    // the rename's.
    const size_t kHead = 12;
    union {
        BYTE bytes[kHead + sizeof(ntPath) * sizeof(WCHAR)];
        ULONG alignment;
    } info;
    std::memset(&info, 0, sizeof(info));
    int units = MultiByteToWideChar(CP_ACP, 0, ntPath, -1, reinterpret_cast<WCHAR*>(info.bytes + kHead),
                                    static_cast<int>(sizeof(ntPath)));
    if (units <= 1)
        return false;
    ULONG nameBytes = static_cast<ULONG>(units - 1) * sizeof(WCHAR);
    std::memcpy(info.bytes + 8, &nameBytes, sizeof(nameBytes));
    return SetInformation(file, info.bytes, static_cast<ULONG>(kHead + nameBytes + sizeof(WCHAR)), informationClass);
}

bool FolderIsLinkNow(const char* folder, void*)
{
    WIN32_FIND_DATAA entry;
    // A system that does not fill in the tag leaves 0, which counts as a link.
    std::memset(&entry, 0, sizeof(entry));
    HANDLE search = FindFirstFileA(folder, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return IsLinkFolder(entry.dwFileAttributes, entry.dwReserved0);
}

}  // namespace

bool HeldFile::OpenForAction(const char* path)
{
    m_canAct = false;
    int platform = GetPlatformCode();
    // 95/98/ME have no handle-based deletion; there the disposal acts by path on FAT, which has no
    // links and one user.
    if (platform == kPlatformWindows9x)
        return false;
    DWORD flags = LinksCanExist(platform, GetNtVersionCode()) ? kOpenReparsePoint : 0;
    m_canAct = m_file.Open(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES | DELETE, FILE_SHARE_READ, flags);
    return m_canAct;
}

bool HeldFile::OpenToRead(const char* path)
{
    m_canAct = false;
    return m_file.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
}

void HeldFile::Close()
{
    m_file.Close();
    m_canAct = false;
}

bool HeldFile::ResetAttributes()
{
    if (!CanAct())
        return false;
    BasicInformation basic;
    std::memset(&basic, 0, sizeof(basic));
    basic.attributes = FILE_ATTRIBUTE_ARCHIVE;
    return SetInformation(m_file.Handle(), &basic, sizeof(basic), kFileBasicInformation);
}

bool HeldFile::Delete()
{
    if (!CanAct())
        return false;
    BOOLEAN deleteFile = TRUE;
    if (!SetInformation(m_file.Handle(), &deleteFile, sizeof(deleteFile), kFileDispositionInformation))
        return false;
    // The file goes when its last handle closes; nobody else may hold one, as none shares deletion.
    Close();
    return true;
}

bool HeldFile::RenameTo(const char* newPath)
{
    return CanAct() && SetName(m_file.Handle(), newPath, kFileRenameInformation);
}

bool HeldFile::LinkAs(const char* newPath)
{
    return IsOpen() && SetName(m_file.Handle(), newPath, kFileLinkInformation);
}

bool HeldFile::Identify(FileIdentity& identity, unsigned long& names)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsOpen() || !GetFileInformationByHandle(m_file.Handle(), &info))
        return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
    names = info.nNumberOfLinks;
    return true;
}

bool HeldFile::DropName()
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!CanAct() || !GetFileInformationByHandle(m_file.Handle(), &info))
        return false;
    const DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    bool reset = (info.dwFileAttributes & kInTheWay) != 0;
    if (reset && !ResetAttributes())
        return false;
    BOOLEAN deleteName = TRUE;
    bool dropped = SetInformation(m_file.Handle(), &deleteName, sizeof(deleteName), kFileDispositionInformation);
    if (reset) {
        BasicInformation basic;
        std::memset(&basic, 0, sizeof(basic));
        basic.attributes = info.dwFileAttributes;
        SetInformation(m_file.Handle(), &basic, sizeof(basic), kFileBasicInformation);
    }
    if (dropped)
        Close();
    return dropped;
}

bool FindChangedFolder(const char* path, char* changed, size_t changedSize)
{
    return FindLinkedFolder(path, FolderIsLinkNow, nullptr, changed, changedSize);
}
