// Mail-worm matching: "begin" test, stripped head and tail windows, pattern search.
#include "match/mail_match.h"

#include <cstring>

#include "base/text.h"

MailRecord g_mailRecords[kMailRecordCount] = {
    {"W32/Nyxem.Worm", 134042, 1888, 100, 0,
     {0x18, 0x00, 0x71, 0x71, 0x03, 0x10, 0x70, 0x0F, 0x72, 0x79, 0x65, 0x12, 0x79, 0x6B, 0x1A, 0x16, 0x00,
      0x70, 0x1C, 0x71, 0x01, 0x09, 0x19, 0x69, 0x0A, 0x7A, 0x10, 0x04, 0x1D, 0x09, 0x73, 0x1F, 0x1E, 0x1E,
      0x19, 0x7D, 0x62, 0x10, 0x73, 0x7D, 0x71, 0x68, 0x08, 0x09, 0x61, 0x6E, 0x04, 0x09, 0x72, 0x6A, 0x07,
      0x6C, 0x78, 0x11, 0x0E, 0x18, 0x1A, 0x0A, 0x66, 0x69, 0x10, 0x18, 0x7E, 0x0F, 0x1F, 0x1C, 0x76, 0x17,
      0x6A, 0x11, 0x64, 0x77, 0x6E, 0x04, 0x10, 0x03, 0x77, 0x12, 0x1B, 0x74, 0x60, 0x19, 0x65, 0x6E, 0x1E,
      0x1D, 0x01, 0x79, 0x14, 0x0A, 0x63, 0x1D, 0x67, 0x15, 0x00, 0x09, 0x74, 0x05, 0x0C, 0x7C},
     1, 4, 18, 0, {0}},
};

namespace {

bool IsStripped(uint8_t c)
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0D);
}

bool ReadWindows(ByteReader& file, int64_t length, MailWindows& windows)
{
    uint8_t raw[kMailWindowSize];
    if (length < kMailWindowSize) {
        int32_t count = static_cast<int32_t>(length);
        if (!ReadExactly(file, 0, raw, count))
            return false;
        windows.headLength = static_cast<int32_t>(StripWhitespace(raw, windows.head, count));
        std::memcpy(windows.tail, windows.head, windows.headLength);
        windows.tailLength = windows.headLength;
        windows.rawLength = count;
        return true;
    }
    if (!ReadExactly(file, 0, raw, kMailWindowSize))
        return false;
    windows.headLength = static_cast<int32_t>(StripWhitespace(raw, windows.head, kMailWindowSize));
    if (!ReadExactly(file, length - kMailWindowSize, raw, kMailWindowSize))
        return false;
    windows.tailLength = static_cast<int32_t>(StripWhitespace(raw, windows.tail, kMailWindowSize));
    windows.rawLength = kMailWindowSize;
    return true;
}

bool SizeTestPasses(const MailRecord& record)
{
    if (record.sizeTest == kMailSizeEqual)
        return record.referenceSize == kMailReferenceLength;
    if (record.sizeTest == kMailSizeNear) {
        int64_t difference = static_cast<int64_t>(record.referenceSize) - kMailReferenceLength;
        return difference >= -kMailWindowSize && difference <= kMailWindowSize;
    }
    return true;
}

// Fixed-position mode: 100 bytes at position in the chosen stripped window. Every copy stays
// inside the stripped text; what lies beyond it compares as zero bytes.
void CopyFixedPosition(const MailRecord& record, const MailWindows& windows, uint8_t* compare)
{
    const uint8_t* text = record.window == 0 ? windows.head : windows.tail;
    int32_t textLength = record.window == 0 ? windows.headLength : windows.tailLength;
    int32_t start;
    if (record.window == 0) {
        start = record.position;
    } else {
        if (textLength < record.position)
            return;
        start = textLength - record.position;
    }
    if (start < 0 || start >= textLength)
        return;
    int32_t count = textLength - start;
    if (count > kMailPatternSize)
        count = kMailPatternSize;
    std::memcpy(compare, text + start, count);
}

}  // namespace

size_t StripWhitespace(const uint8_t* source, uint8_t* destination, size_t length)
{
    size_t copied = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!IsStripped(source[i]))
            destination[copied++] = source[i];
    }
    return copied;
}

int FindPattern(const uint8_t* buffer, int32_t windowLength, const uint8_t* pattern, int32_t patternLength)
{
    if (patternLength <= 0 || windowLength <= 0)
        return 0;
    if (windowLength > kMailCompareSize)
        windowLength = kMailCompareSize;
    const uint8_t* end = buffer + windowLength;
    const uint8_t* candidate = buffer;
    while (candidate < end) {
        const void* found = std::memchr(candidate, pattern[0], static_cast<size_t>(end - candidate));
        if (found == nullptr)
            return 0;
        candidate = static_cast<const uint8_t*>(found);
        // A candidate whose bytes would run past the comparison buffer does not match.
        if (candidate - buffer + patternLength <= kMailCompareSize &&
            std::memcmp(candidate, pattern, patternLength) == 0)
            return 1;
        ++candidate;
    }
    return 0;
}

void UnscrambleMailPatterns(MailRecord* records, int count)
{
    for (int r = 0; r < count; ++r) {
        int length = records[r].patternLength;
        if (length > kMailPatternSize)
            length = kMailPatternSize;
        for (int i = 0; i < length; ++i)
            records[r].pattern[i] ^= kMailScrambleKey;
    }
}

int MatchMailRecordTable(ByteReader& file, const MailRecord* records, int count, MailWindows& windows)
{
    int64_t length = file.Length();
    if (length < 5)
        return -1;
    char first[5];
    if (!ReadExactly(file, 0, first, sizeof(first)) || CompareNoCaseN(first, "begin", sizeof(first)) != 0)
        return -1;
    if (!ReadWindows(file, length, windows))
        return -1;
    for (int r = 0; r < count; ++r) {
        const MailRecord& record = records[r];
        int32_t patternLength = record.patternLength;
        if (patternLength == 0 || patternLength > kMailPatternSize || length < patternLength)
            continue;
        if (!SizeTestPasses(record))
            continue;
        uint8_t compare[kMailCompareSize];
        std::memset(compare, 0, sizeof(compare));
        bool matched;
        if (record.matchMode == 1) {
            if (record.window == 0)
                std::memcpy(compare, windows.head, windows.headLength);
            else
                std::memcpy(compare, windows.tail, windows.tailLength);
            matched = FindPattern(compare, windows.rawLength, record.pattern, patternLength) != 0;
        } else {
            CopyFixedPosition(record, windows, compare);
            matched = std::memcmp(compare, record.pattern, patternLength) == 0;
        }
        if (matched)
            return r;
    }
    return -1;
}
