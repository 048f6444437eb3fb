// The kept copy's header and key stream.
#include "disinfect/kept_copy.h"

#include "base/clib.h"
#include "base/text.h"

namespace {

// Not "MZ" and not "begin": the file opens as no program and as no mail file.
const uint8_t kKeptMark[8] = {'T', 'v', 'x', 'K', 'e', 'p', 't', 0x1A};
const uint32_t kKeptVersion = 1;
const size_t kVersionAt = 8;
const size_t kSizeAt = 12;
const size_t kHashAt = 20;
// Bytes 52..63 stay zero. That puts 0 in the field a PE reader takes its header offset from (60),
// so it looks for "PE\0\0" at offset 0 and finds the mark: a kept copy is never read as a PE image.
const size_t kReservedAt = kHashAt + kSha256Size;
static_assert(kReservedAt <= 60, "the PE header offset field stays in the zero bytes");

const uint32_t kKeySeed = 0x7A3C5E91;

}  // namespace

void WriteKeptHeader(const KeptHeader& header, uint8_t out[kKeptHeaderSize])
{
    MemFill(out, 0, kKeptHeaderSize);
    MemCopy(out, kKeptMark, sizeof(kKeptMark));
    for (int i = 0; i < 4; ++i)
        out[kVersionAt + i] = static_cast<uint8_t>(kKeptVersion >> (8 * i));
    for (int i = 0; i < 8; ++i)
        out[kSizeAt + i] = static_cast<uint8_t>(header.size >> (8 * i));
    MemCopy(out + kHashAt, header.sha256, kSha256Size);
}

bool ReadKeptHeader(const uint8_t in[kKeptHeaderSize], KeptHeader& header)
{
    if (MemCompare(in, kKeptMark, sizeof(kKeptMark)) != 0 || ReadLe32(in + kVersionAt) != kKeptVersion)
        return false;
    for (size_t i = kReservedAt; i < kKeptHeaderSize; ++i) {
        if (in[i] != 0)
            return false;
    }
    header.size = static_cast<uint64_t>(ReadLe32(in + kSizeAt)) | (static_cast<uint64_t>(ReadLe32(in + kSizeAt + 4)) << 32);
    MemCopy(header.sha256, in + kHashAt, kSha256Size);
    return true;
}

KeptCopyMixer::KeptCopyMixer() : m_state(kKeySeed), m_word(0), m_wordBytesLeft(0) {}

void KeptCopyMixer::Apply(uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        if (m_wordBytesLeft == 0) {
            // xorshift32: a stream that does not repeat within any file we keep, so no byte run
            // of the original survives at a fixed distance of the key.
            m_state ^= m_state << 13;
            m_state ^= m_state >> 17;
            m_state ^= m_state << 5;
            m_word = m_state;
            m_wordBytesLeft = 4;
        }
        data[i] ^= static_cast<uint8_t>(m_word);
        m_word >>= 8;
        --m_wordBytesLeft;
    }
}

const char* ReadKeptCopy(ByteReader& copy, uint64_t size, const uint8_t sha256[kSha256Size], uint8_t* bytes)
{
    uint8_t head[kKeptHeaderSize];
    KeptHeader header{};
    if (size > INT32_MAX || !ReadExactly(copy, 0, head, sizeof(head)) || !ReadKeptHeader(head, header) ||
        header.size != size || MemCompare(header.sha256, sha256, kSha256Size) != 0 ||
        copy.Length() != static_cast<int64_t>(kKeptHeaderSize + size))
        return "the kept copy does not match its record";
    int32_t count = static_cast<int32_t>(size);
    if (count > 0 && !ReadExactly(copy, kKeptHeaderSize, bytes, count))
        return "the kept copy could not be read";
    KeptCopyMixer mixer;
    mixer.Apply(bytes, static_cast<size_t>(count));
    uint8_t digest[kSha256Size];
    Sha256Of(bytes, static_cast<size_t>(count), digest);
    if (MemCompare(digest, sha256, kSha256Size) != 0)
        return "the kept copy's SHA-256 differs from its record";
    return nullptr;
}

bool KeptCopyName(int32_t index, char* name, size_t nameSize)
{
    if (index < 1 || index > kMaxKeptCopies) {
        if (nameSize > 0)
            name[0] = '\0';
        return false;
    }
    return FormatText(name, nameSize, "%05d%s", static_cast<int>(index), kKeptCopyExtension);
}

bool IsKeptCopyName(const char* name)
{
    for (int i = 0; i < 5; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    if (CompareNoCase(name + 5, kKeptCopyExtension) != 0)
        return false;
    return TextCompareN(name, "00000", 5) != 0;
}
