// In-memory byte source for the portable parsers and their tests.
#include "base/byte_reader.h"

#include <cstring>

int32_t MemoryReader::ReadAt(int64_t offset, void* buffer, int32_t count)
{
    if (offset < 0 || offset > INT32_MAX || count < 0)
        return -1;
    if (static_cast<uint64_t>(offset) >= m_size)
        return 0;
    size_t left = m_size - static_cast<size_t>(offset);
    size_t n = static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
    if (n > 0)
        std::memcpy(buffer, m_data + offset, n);
    return static_cast<int32_t>(n);
}
