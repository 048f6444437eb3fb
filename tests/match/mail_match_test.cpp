// Recognising the uuencoded mail worm: the shipped record, windows, whitespace and pattern search.
#include <doctest.h>

#include <cstring>
#include <string>

#include "base/byte_reader.h"
#include "match/mail_match.h"
#include "tests/fixtures/fixtures.h"

namespace {

MailRecord PlainShippedRecord()
{
    MailRecord record = g_mailRecords[0];
    UnscrambleMailPatterns(&record, 1);
    return record;
}

int Match(const Bytes& file, const MailRecord& record)
{
    MemoryReader reader(file.data(), file.size());
    MailWindows windows;
    return MatchMailRecordTable(reader, &record, 1, windows);
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

}  // namespace

TEST_CASE("the shipped record: stored scrambled, plain after unscrambling")
{
    const MailRecord& stored = g_mailRecords[0];
    CHECK(std::string(stored.name) == "W32/Nyxem.Worm");
    CHECK(int32_t(stored.referenceSize) == 134042);
    CHECK(int16_t(stored.position) == 1888);
    CHECK(uint16_t(stored.patternLength) == 100);
    CHECK(int16_t(stored.window) == 0);
    CHECK(int16_t(stored.matchMode) == 1);
    CHECK(int16_t(stored.reserved1) == 4);
    CHECK(int16_t(stored.sizeTest) == 18);
    CHECK(int16_t(stored.reserved2) == 0);
    for (uint8_t b : stored.reserved3)
        CHECK(b == 0);
    CHECK(std::memcmp(stored.pattern, kMailPatternText, 100) != 0);

    MailRecord plain = PlainShippedRecord();
    CHECK(std::memcmp(plain.pattern, kMailPatternText, 100) == 0);
    for (uint8_t b : plain.pattern) {
        CHECK(b > 0x20);  // uuencode alphabet without the space
        CHECK(b <= 0x60);
    }

    MailRecord empty = stored;
    empty.patternLength = 0;
    UnscrambleMailPatterns(&empty, 1);
    CHECK(std::memcmp(empty.pattern, stored.pattern, 100) == 0);
}

TEST_CASE("mail files: first word, sizes, windows and whitespace")
{
    const MailRecord plain = PlainShippedRecord();
    MailRecord tail = plain;
    tail.window = 1;
    struct Case {
        const char* label;
        MailFixture options;
        bool head;  // expected with the shipped (head-window) record
        bool tail;  // expected with the same record looking at the tail window
    };
    auto make = [](size_t size, size_t at, int split, bool upper, bool space, bool pattern) {
        MailFixture f;
        f.size = size;
        f.patternAt = at;
        f.splitEvery = split;
        f.upperBegin = upper;
        f.leadingSpace = space;
        f.withPattern = pattern;
        return f;
    };
    const Case cases[] = {
        {"begin, pattern across a line break", make(2000, 0, 0, false, false, true), true, true},
        {"BEGIN", make(2000, 0, 0, true, false, true), true, true},
        {"a space before begin", make(2000, 0, 0, false, true, true), false, false},
        {"no pattern", make(2000, 0, 0, false, false, false), false, false},
        {"split after every byte", make(2000, 0, 1, false, false, true), true, true},
        {"split every 7 bytes", make(2000, 0, 7, false, false, true), true, true},
        {"split every 33 bytes", make(2000, 0, 33, false, false, true), true, true},
        {"99 bytes", make(99, 0, 0, false, false, true), false, false},
        {"100 bytes", make(100, 0, 0, false, false, true), false, false},
        {"4,095 bytes", make(4095, 3000, 0, false, false, true), true, true},
        {"4,096 bytes, pattern near the end", make(4096, 3850, 0, false, false, true), true, true},
        {"4,096 bytes: head and tail are the same bytes", make(4096, 0, 0, false, false, true), true, true},
        {"5,000 bytes, pattern in the head", make(5000, 200, 0, false, false, true), true, false},
        {"5,000 bytes, pattern only in the tail", make(5000, 4500, 0, false, false, true), false, true},
        {"5,000 bytes, pattern split and in both", make(5000, 1000, 5, false, false, true), true, true},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        Bytes file = BuildMailFile(c.options);
        CHECK(file.size() == c.options.size);
        CHECK((Match(file, plain) == 0) == c.head);
        CHECK((Match(file, tail) == 0) == c.tail);
    }
}

TEST_CASE("the first word and short files")
{
    const MailRecord plain = PlainShippedRecord();
    std::string body = std::string(" 644 x\r\n") + kMailPatternText + "\r\n";
    struct Case {
        const char* label;
        std::string text;
        bool matches;
    };
    const Case cases[] = {
        {"begin", "begin" + body, true},
        {"Begin", "Begin" + body, true},
        {"begix", "begix" + body, false},
        {"empty", "", false},
        {"four bytes", "begi", false},
        {"begin alone", "begin", false},
        {"NUL in the first word", std::string("beg\0n", 5) + body, false},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        CHECK((Match(Text(c.text), plain) == 0) == c.matches);
    }
}

TEST_CASE("fixed-position mode stays inside the stripped window")
{
    MailRecord fixed = PlainShippedRecord();
    fixed.matchMode = 0;
    // "begin" "644" "x" then the pattern: it starts 9 bytes into the stripped text.
    std::string text = std::string("begin 644 x\r\n") + kMailPatternText + "\r\n`\r\nend\r\n";
    struct Case {
        int16_t window;
        int16_t position;
        bool matches;
    };
    const int16_t strippedLength = static_cast<int16_t>(9 + 100 + 1 + 3);
    const Case cases[] = {
        {0, 9, true},     {0, 8, false},     {0, 10, false},   {0, 4090, false}, {0, -5, false},
        {0, 32767, false}, {1, strippedLength - 9, true}, {1, strippedLength - 8, false},
        {1, 4000, false}, {1, -1, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.window);
        CAPTURE(c.position);
        fixed.window = c.window;
        fixed.position = c.position;
        CHECK((Match(Text(text), fixed) == 0) == c.matches);
    }
}

TEST_CASE("size tests compare with a reference length of 0")
{
    MailRecord record = PlainShippedRecord();
    Bytes file = BuildMailFile(MailFixture());
    struct Case {
        int16_t test;
        int32_t referenceSize;
        bool matches;
    };
    const Case cases[] = {
        {16, 0, true},     {16, 1, false},     {16, 134042, false}, {17, 4096, true},  {17, -4096, true},
        {17, 4097, false}, {17, -4097, false}, {18, 134042, true},  {0, 134042, true},
    };
    for (const Case& c : cases) {
        CAPTURE(c.test);
        CAPTURE(c.referenceSize);
        record.sizeTest = c.test;
        record.referenceSize = c.referenceSize;
        CHECK((Match(file, record) == 0) == c.matches);
    }
}

TEST_CASE("whitespace stripping removes exactly the six whitespace bytes")
{
    const uint8_t source[] = {'a', ' ', 'b', 0x09, 'c', 0x0A, 'd', 0x0B, 'e', 0x0C, 'f', 0x0D, 'g', 0x00, 0xA0, 0x08, 0x0E};
    const uint8_t expected[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 0x00, 0xA0, 0x08, 0x0E};
    uint8_t out[sizeof(source)];
    CHECK(StripWhitespace(source, out, sizeof(source)) == sizeof(expected));
    CHECK(std::memcmp(out, expected, sizeof(expected)) == 0);
    CHECK(StripWhitespace(source, out, 0) == 0);
}

TEST_CASE("pattern search: window bounds and the end of the comparison buffer")
{
    const uint8_t pattern[] = {'X', 'Y', 'Z'};
    struct Case {
        const char* label;
        int32_t at;
        int32_t window;
        bool found;
    };
    const Case cases[] = {
        {"at the start", 0, 4096, true},
        {"first byte at the last window position", 99, 100, true},
        {"first byte just past the window", 100, 100, false},
        {"ends on the buffer's last byte", kMailCompareSize - 3, kMailCompareSize, true},
        {"would run past the buffer", kMailCompareSize - 2, kMailCompareSize, false},
        {"empty window", 0, 0, false},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        uint8_t buffer[kMailCompareSize + 8] = {};
        std::memset(buffer + kMailCompareSize, 'Y', 8);  // beyond the buffer: must never be compared
        buffer[c.at] = 'X';
        if (c.at + 1 < kMailCompareSize)
            buffer[c.at + 1] = 'Y';
        if (c.at + 2 < kMailCompareSize)
            buffer[c.at + 2] = 'Z';
        CHECK((FindPattern(buffer, c.window, pattern, 3) == 1) == c.found);
    }
    // A false start before the real one.
    uint8_t buffer[kMailCompareSize] = {};
    std::memcpy(buffer + 10, "XYXYZ", 5);
    CHECK(FindPattern(buffer, 4096, pattern, 3) == 1);
}
