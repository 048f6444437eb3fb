// Reading files by handle for the detectors and the wininit.ini rewrite.
#include "base/file_reader.h"

FileReader::FileReader(const char* path, DWORD shareMode)
    : m_file(CreateFileA(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

bool FileReader::Open(const char* path, DWORD access, DWORD shareMode, DWORD flags)
{
    *m_file.Out() = CreateFileA(path, access, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    return m_file.IsValid();
}

int64_t FileLengthOf(HANDLE file)
{
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

int64_t FileReader::Length()
{
    return m_file.IsValid() ? FileLengthOf(m_file.Get()) : -1;
}

int32_t FileReader::ReadAt(int64_t offset, void* buffer, int32_t count)
{
    if (!m_file.IsValid() || offset < 0 || offset > INT32_MAX || count < 0)
        return -1;
    if (SetFilePointer(m_file.Get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return -1;
    int32_t total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(m_file.Get(), static_cast<char*>(buffer) + total, static_cast<DWORD>(count - total), &got, nullptr)) {
            if (total == 0)
                return -1;
            break;
        }
        if (got == 0)
            break;  // end of file
        total += static_cast<int32_t>(got);
    }
    return total;
}
