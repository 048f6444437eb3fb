// Reading files by handle for the detectors and the wininit.ini rewrite.
#include "base/file_reader.h"

FileReader::FileReader(const char* path, DWORD shareMode)
    : m_file(CreateFileA(path, GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

void FileReader::Close()
{
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
}

int64_t FileReader::Length()
{
    if (m_file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD high = 0;
    DWORD low = GetFileSize(m_file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

int32_t FileReader::ReadAt(int64_t offset, void* buffer, int32_t count)
{
    if (m_file == INVALID_HANDLE_VALUE || offset < 0 || offset > INT32_MAX || count < 0)
        return -1;
    if (SetFilePointer(m_file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return -1;
    int32_t total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(m_file, static_cast<char*>(buffer) + total, static_cast<DWORD>(count - total), &got, nullptr)) {
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
