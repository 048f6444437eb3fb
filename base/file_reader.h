// The product's one reader of file bytes: a file opened read-only by path, read at known positions.
// Closed by Close() or at the end of its scope.
#pragma once
#include <windows.h>

#include "base/byte_reader.h"
#include "base/win32_scope.h"

// The length of an open file, or -1 when the system cannot tell it.
int64_t FileLengthOf(HANDLE file);

class FileReader : public ByteReader {
public:
    // Read and write sharing by default, so a file another program holds open, even for writing,
    // is still read.
    explicit FileReader(const char* path, DWORD shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE);
    // Closed until Open.
    FileReader() = default;
    // Opens path (closing what was open) with these rights, sharing and flags, for a file that is
    // acted on through this handle; false when it could not be opened.
    bool Open(const char* path, DWORD access, DWORD shareMode, DWORD flags);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return m_file.IsValid(); }
    bool Close() { return m_file.Close(); }
    HANDLE Handle() const { return m_file.Get(); }
    int64_t Length() override;
    int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override;

private:
    ScopedFileHandle m_file;
};
