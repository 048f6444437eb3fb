// A file opened with the C run-time's low-level calls (binary, read-only), read a few bytes at a
// time at known positions. Closed by Close() or at the end of its scope.
#pragma once
#include <fcntl.h>
#include <io.h>
#include <climits>
#include <cstdio>

#include "base/byte_reader.h"

class CrtFileReader : public ByteReader {
public:
    explicit CrtFileReader(const char* path) : m_fd(_open(path, _O_RDONLY | _O_BINARY)) {}
    ~CrtFileReader() override { Close(); }
    CrtFileReader(const CrtFileReader&) = delete;
    CrtFileReader& operator=(const CrtFileReader&) = delete;

    bool IsOpen() const { return m_fd != -1; }
    void Close()
    {
        if (m_fd != -1) {
            _close(m_fd);
            m_fd = -1;
        }
    }
    int64_t Length() override
    {
        if (m_fd == -1)
            return -1;
        long length = _filelength(m_fd);
        return length < 0 ? -1 : length;
    }
    int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override
    {
        if (m_fd == -1 || offset < 0 || offset > INT32_MAX || count < 0)
            return -1;
        if (_lseek(m_fd, static_cast<long>(offset), SEEK_SET) == -1L)
            return -1;
        int32_t total = 0;
        while (total < count) {
            int got = _read(m_fd, static_cast<char*>(buffer) + total, static_cast<unsigned>(count - total));
            if (got <= 0)
                break;
            total += got;
        }
        return total;
    }

private:
    int m_fd;
};
