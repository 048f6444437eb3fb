// The one way portable parsers see file bytes: n bytes at an offset, and the length.
// Tests feed a byte array; the Win32 side feeds an open file.
#pragma once
#include <cstddef>
#include <cstdint>

class ByteReader {
public:
    virtual ~ByteReader() {}
    // Length of the source in bytes, or -1 when it cannot be taken.
    virtual int64_t Length() = 0;
    // Reads up to count bytes at offset into buffer. Returns the number of bytes read (short at
    // the end of the source), or -1 when the position cannot be reached: offsets that are
    // negative or do not fit a signed 32-bit file position, as with the C run-time's _lseek.
    virtual int32_t ReadAt(int64_t offset, void* buffer, int32_t count) = 0;
};

// True when all count bytes at offset were read: a short read is as good as none to the parsers.
inline bool ReadExactly(ByteReader& file, int64_t offset, void* buffer, int32_t count)
{
    return file.ReadAt(offset, buffer, count) == count;
}

class MemoryReader : public ByteReader {
public:
    MemoryReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(size) {}
    int64_t Length() override { return static_cast<int64_t>(m_size); }
    int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// Little-endian field readers over a byte array (never lay a struct over file data).
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
