// Recognising the uuencoded mail worm: a pattern searched for in the whitespace-stripped head or
// tail of a file that begins with "begin". Portable: the file comes through a ByteReader.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/byte_reader.h"

const int kMailWindowSize = 4096;                     // raw bytes read for each window
const int kMailCompareSize = kMailWindowSize + 1;     // the comparison buffer
const int kMailPatternSize = 100;                     // the most pattern bytes a record holds
const uint8_t kMailScrambleKey = 0x55;
const int kMailRecordCount = 1;                       // the table has no terminator
// Size tests 16 and 17 compare referenceSize with this length; nothing in the program sets it.
const int32_t kMailReferenceLength = 0;

enum MailSizeTest : int16_t { kMailSizeEqual = 16, kMailSizeNear = 17 };

#pragma pack(push, 1)
struct MailRecord {
    char name[25];
    int32_t referenceSize;
    int16_t position;          // fixed-position mode: offset into the stripped window
    uint16_t patternLength;    // 0 disables the record
    int16_t window;            // 0 the head, 1 the tail
    uint8_t pattern[kMailPatternSize];  // stored XOR kMailScrambleKey until unscrambled
    int16_t matchMode;         // 1 search anywhere, any other value fixed position
    int16_t reserved1;
    int16_t sizeTest;          // MailSizeTest, any other value no size test
    int16_t reserved2;
    uint8_t reserved3[27];
};
#pragma pack(pop)

static_assert(sizeof(MailRecord) == 170, "stored record size");
static_assert(offsetof(MailRecord, referenceSize) == 25, "stored layout");
static_assert(offsetof(MailRecord, position) == 29, "stored layout");
static_assert(offsetof(MailRecord, patternLength) == 31, "stored layout");
static_assert(offsetof(MailRecord, window) == 33, "stored layout");
static_assert(offsetof(MailRecord, pattern) == 35, "stored layout");
static_assert(offsetof(MailRecord, matchMode) == 135, "stored layout");
static_assert(offsetof(MailRecord, reserved1) == 137, "stored layout");
static_assert(offsetof(MailRecord, sizeTest) == 139, "stored layout");
static_assert(offsetof(MailRecord, reserved2) == 141, "stored layout");
static_assert(offsetof(MailRecord, reserved3) == 143, "stored layout");

// The shipped record, its pattern still scrambled until UnscrambleMailPatterns runs on it.
extern MailRecord g_mailRecords[kMailRecordCount];

// Working windows of one examination: whitespace-stripped head and tail, and the raw window length.
struct MailWindows {
    uint8_t head[kMailWindowSize];
    uint8_t tail[kMailWindowSize];
    int32_t headLength;   // stripped lengths
    int32_t tailLength;
    int32_t rawLength;    // W: the file length below kMailWindowSize, else kMailWindowSize
};

// Copies the bytes of source that are not whitespace (space, 09..0D) into destination, which must
// hold length bytes. Returns how many were copied.
size_t StripWhitespace(const uint8_t* source, uint8_t* destination, size_t length);
// Looks for pattern among the first windowLength positions of a kMailCompareSize-byte buffer.
int FindPattern(const uint8_t* buffer, int32_t windowLength, const uint8_t* pattern, int32_t patternLength);
// XORs each record's patternLength pattern bytes with kMailScrambleKey.
void UnscrambleMailPatterns(MailRecord* records, int count);
// Checks the file against records (plain patterns). Returns the index of the matching record or -1.
int MatchMailRecordTable(ByteReader& file, const MailRecord* records, int count, MailWindows& windows);
