// Matching one file against the signature table: PE header reading, entry-point-relative offset
// mapping and the record loop, over a ByteReader so that tests and fuzzers feed bytes directly.
#pragma once
#include <cstdint>

#include "base/byte_reader.h"
#include "match/signature_table.h"

// Positions in a PE image that the detector reads.
const int64_t kPeHeaderOffsetField = 60;   // e_lfanew of the MS-DOS header
const int64_t kPeFileHeaderDistance = 4;   // file header, after "PE\0\0"
const int64_t kPeOptionalHeaderDistance = 24;
const int kPeSectionCountField = 2;        // in the file header
const int kPeEntryPointField = 16;         // in the optional header
const int kPeSizeOfHeadersField = 60;      // in the optional header
const int kPeSectionVirtualSizeField = 8;  // in a section-table entry
const int kPeSectionAddressField = 12;
const int kPeSectionRawPointerField = 20;

const int kMaxSections = 20;        // more sections than this: the file is never matched
const int kSectionEntrySize = 40;
const int kFileHeaderSize = 20;
const int kOptionalHeadSize = 96;   // the PE32 optional header up to its data directories

// What the detector reads from the current file; overwritten for each file.
struct PeImageInfo {
    uint16_t headerOffset;                                 // low half of e_lfanew only
    uint8_t fileHeader[kFileHeaderSize];
    uint8_t optionalHead[kOptionalHeadSize];
    uint8_t sections[kMaxSections * kSectionEntrySize];    // zeroed before each read
    int32_t fileLength;                                    // L
};

inline uint16_t SectionCount(const PeImageInfo& info) { return ReadLe16(info.fileHeader + kPeSectionCountField); }
inline uint32_t EntryPoint(const PeImageInfo& info) { return ReadLe32(info.optionalHead + kPeEntryPointField); }
inline uint32_t SizeOfHeaders(const PeImageInfo& info) { return ReadLe32(info.optionalHead + kPeSizeOfHeadersField); }

// Header offset at 60, "PE\0\0" there, then the file header. False on a short read or wrong signature.
bool ReadPeHeaders(ByteReader& file, PeImageInfo& info);
// Optional header head, then at most kMaxSections entries of the section table.
bool ReadSectionTable(ByteReader& file, PeImageInfo& info);
// Maps a relative virtual address to a file offset with the section table last read.
uint32_t RvaToFileOffset(uint32_t rva, const PeImageInfo& info);
// The length test of one record against a file of length fileLength.
bool SizeRuleAccepts(const SignatureRecord& record, int32_t fileLength);
// Reads the headers and walks table until its terminator. Returns the index of the first record
// that matches, or -1 (not a PE image, too many sections, unreadable, or no record matched).
int MatchSignatureTable(ByteReader& file, const SignatureRecord* table, PeImageInfo& info);
