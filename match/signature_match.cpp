// Signature matching: reads a few header bytes at known positions, never the whole file.
#include "match/signature_match.h"

#include <cstring>

namespace {

const uint8_t kPeSignature[4] = {'P', 'E', 0, 0};
// The section table is read at a fixed distance from the header offset: signature (4), file
// header (20) and a standard 224-byte PE32 optional header. SizeOfOptionalHeader is deliberately
// not consulted, so that the positions compared agree with the recorded signatures.
const int64_t kSectionTableDistance = 248;

// Reads one 20-byte run at the file offset that rva maps to and compares it with the record's run.
bool RunMatches(ByteReader& file, const PeImageInfo& info, int32_t offset, const uint8_t* expected)
{
    uint32_t rva = EntryPoint(info) + static_cast<uint32_t>(offset);  // 32-bit wrap-around
    uint32_t position = RvaToFileOffset(rva, info);
    if (position > static_cast<uint32_t>(INT32_MAX))
        return false;  // does not fit a signed 32-bit file position: the seek would fail
    uint8_t run[kSignatureRunLength];
    if (!ReadExactly(file, position, run, sizeof(run)))
        return false;
    return std::memcmp(run, expected, kSignatureRunLength) == 0;  // the 21st byte is never compared
}

}  // namespace

bool ReadPeHeaders(ByteReader& file, PeImageInfo& info)
{
    uint8_t field[2];
    if (!ReadExactly(file, kPeHeaderOffsetField, field, sizeof(field)))
        return false;
    // Only the low 16 bits of e_lfanew are used (the recorded samples were located this way), so a
    // header offset of 65,600 is read as 64.
    info.headerOffset = ReadLe16(field);
    uint8_t signature[4];
    if (!ReadExactly(file, info.headerOffset, signature, sizeof(signature)))
        return false;
    if (std::memcmp(signature, kPeSignature, sizeof(signature)) != 0)
        return false;
    return ReadExactly(file, info.headerOffset + kPeFileHeaderDistance, info.fileHeader, sizeof(info.fileHeader));
}

bool ReadSectionTable(ByteReader& file, PeImageInfo& info)
{
    if (!ReadExactly(file, info.headerOffset + kPeOptionalHeaderDistance, info.optionalHead, sizeof(info.optionalHead)))
        return false;
    uint16_t count = SectionCount(info);
    if (count > kMaxSections)
        return false;
    std::memset(info.sections, 0, sizeof(info.sections));
    int32_t bytes = count * kSectionEntrySize;
    return ReadExactly(file, info.headerOffset + kSectionTableDistance, info.sections, bytes);
}

uint32_t RvaToFileOffset(uint32_t rva, const PeImageInfo& info)
{
    uint16_t count = SectionCount(info);
    if (count > kMaxSections)
        count = kMaxSections;  // ReadSectionTable refuses more; never index past the buffer
    uint32_t offset = rva;
    if (count > 0) {
        // The first section whose end lies above rva, with no lower-bound test: an rva below a
        // section's start still selects it. Kept as is: the recorded offsets depend on it.
        int chosen = count - 1;
        for (int i = 0; i < count; ++i) {
            const uint8_t* entry = info.sections + i * kSectionEntrySize;
            if (rva < ReadLe32(entry + kPeSectionAddressField) + ReadLe32(entry + kPeSectionVirtualSizeField)) {
                chosen = i;
                break;
            }
        }
        const uint8_t* entry = info.sections + chosen * kSectionEntrySize;
        offset = rva - ReadLe32(entry + kPeSectionAddressField) + ReadLe32(entry + kPeSectionRawPointerField);
    }
    if (offset >= static_cast<uint32_t>(info.fileLength))
        offset = rva;
    if (offset == 0)
        return SizeOfHeaders(info);
    return offset;
}

bool SizeRuleAccepts(const SignatureRecord& record, int32_t fileLength)
{
    switch (record.sizeRule) {
    case static_cast<int32_t>(SizeRule::Exact):
        return record.fileSize == fileLength;
    case static_cast<int32_t>(SizeRule::Near): {
        int64_t difference = static_cast<int64_t>(record.fileSize) - fileLength;
        return difference > -kSizeWindow && difference < kSizeWindow;
    }
    case static_cast<int32_t>(SizeRule::Any):
        return true;
    default:
        return false;
    }
}

int MatchSignatureTable(ByteReader& file, const SignatureRecord* table, PeImageInfo& info)
{
    int64_t length = file.Length();
    if (length < 0 || length > INT32_MAX)
        return -1;  // the C run-time cannot report it as a 32-bit length either
    info.fileLength = static_cast<int32_t>(length);
    if (!ReadPeHeaders(file, info) || !ReadSectionTable(file, info))
        return -1;
    for (int i = 0; table[i].name[0] != '\0'; ++i) {
        const SignatureRecord& record = table[i];
        if (!SizeRuleAccepts(record, info.fileLength))
            continue;
        if (!RunMatches(file, info, record.firstOffset, record.firstBytes))
            continue;
        if (!RunMatches(file, info, record.secondOffset, record.secondBytes))
            continue;
        return i;
    }
    return -1;
}
