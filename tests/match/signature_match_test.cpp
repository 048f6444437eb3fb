// Matching files against signature records: header reading, offset mapping, size rules, table walk.
#include <doctest.h>

#include <cstring>
#include <vector>

#include "base/byte_reader.h"
#include "base/text.h"
#include "match/signature_match.h"
#include "tests/fixtures/fixtures.h"

// doctest's REQUIRE needs exceptions, which this build leaves out: end the case by hand.
#define CHECK_OR_RETURN(cond)         \
    if (!(cond)) {                \
        FAIL_CHECK(#cond);        \
        return;                   \
    }

namespace {

int Match(const Bytes& file, const SignatureRecord* table = kSignatureTable)
{
    MemoryReader reader(file.data(), file.size());
    PeImageInfo info;
    return MatchSignatureTable(reader, table, info);
}

// Counts the reads the matcher makes and the largest one.
class CountingReader : public MemoryReader {
public:
    using MemoryReader::MemoryReader;
    int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override
    {
        ++reads;
        largest = count > largest ? count : largest;
        return MemoryReader::ReadAt(offset, buffer, count);
    }
    int reads = 0;
    int32_t largest = 0;
};

SignatureRecord MakeRecord(const char* name, int32_t firstOffset, const char* firstRun, int32_t secondOffset,
                           const char* secondRun, int32_t fileSize, int32_t sizeRule)
{
    SignatureRecord r;
    std::memset(&r, 0, sizeof(r));
    CopyText(r.name, sizeof(r.name), name);
    r.firstOffset = firstOffset;
    std::memcpy(r.firstBytes, firstRun, 20);
    r.secondOffset = secondOffset;
    std::memcpy(r.secondBytes, secondRun, 20);
    r.fileSize = fileSize;
    r.sizeRule = sizeRule;
    return r;
}

const char kRunA[] = "AAAAAAAAAAAAAAAAAAAA";
const char kRunB[] = "BBBBBBBBBBBBBBBBBBBB";

// A PE file with entry point 0x1000 in one section {VA 0x1000, size 0x1000, raw 0x400}, so that
// entry-point offset d reads at file offset 0x400 + d, with kRunA at 0x500 and kRunB at 0x600.
Bytes SimpleImage(size_t length = 0x2000)
{
    PeLayout layout;
    layout.sectionCount = 1;
    layout.sections.push_back({0x1000, 0x1000, 0x1000, 0x400});
    layout.length = length;
    Bytes file = BuildPe(layout);
    PutBytes(file, 0x500, kRunA, 20);
    PutBytes(file, 0x600, kRunB, 20);
    return file;
}

}  // namespace

TEST_CASE("every record of the table is found by a file made for it, and by no other row first")
{
    for (int i = 0; i < kSignatureRecordCount; ++i) {
        CAPTURE(i);
        Bytes file;
        CHECK_OR_RETURN(BuildRecordFixture(kSignatureTable[i], PeFault::None, file));
        CHECK(Match(file) == i);
    }
}

TEST_CASE("one changed detail makes a known row miss, or harmlessly still match")
{
    const int rows[] = {0, 1, 2, 400, 747};
    for (int row : rows) {
        for (const PeFaultName* f = kPeFaults; f->name != nullptr; ++f) {
            CAPTURE(row);
            INFO(std::string(f->name));
            Bytes file;
            CHECK_OR_RETURN(BuildRecordFixture(kSignatureTable[row], f->fault, file));
            CHECK(Match(file) == (f->stillMatches ? row : -1));
        }
    }
}

TEST_CASE("a header offset with a high half uses its low half only")
{
    // e_lfanew 65,600 with the headers really at 65,600 and nothing at 64: not a PE image here.
    Bytes file;
    CHECK_OR_RETURN(BuildRecordFixture(kSignatureTable[0], PeFault::None, file));
    PeLayout layout;
    layout.lfanew = 65600;
    layout.peAt = 65600;
    layout.length = file.size();
    Bytes moved = BuildPe(layout);
    CHECK(Match(moved) == -1);
    // The low half (64) with the headers there matches.
    Bytes high = file;
    high[62] = 0x01;
    CHECK(Match(high) == 0);
}

TEST_CASE("headers cut short at each boundary are not a PE image")
{
    // Headers at 64: signature 64..67, file header 68..87, optional head 88..183, sections from 312.
    Bytes whole;
    PeLayout layout;
    layout.sectionCount = 2;
    layout.sections.push_back({0x1000, 0x1000, 0x200, 0x400});
    layout.sections.push_back({0x1000, 0x2000, 0x200, 0x600});
    layout.length = 392;  // ends with the second section entry
    whole = BuildPe(layout);
    struct Case {
        size_t length;
        bool headers;
        bool sections;
    };
    const Case cases[] = {
        {0, false, false},   {1, false, false},   {61, false, false}, {62, false, false},
        {67, false, false},  {68, false, false},  {87, false, false}, {88, true, false},
        {183, true, false},  {184, true, false},  {391, true, false}, {392, true, true},
    };
    for (const Case& c : cases) {
        CAPTURE(c.length);
        Bytes cut(whole.begin(), whole.begin() + c.length);
        MemoryReader reader(cut.data(), cut.size());
        PeImageInfo info;
        bool headers = ReadPeHeaders(reader, info);
        CHECK(headers == c.headers);
        if (headers)
            CHECK(ReadSectionTable(reader, info) == c.sections);
    }
}

TEST_CASE("section counts: 0 and 20 are read, 21 and 65535 are refused")
{
    struct Case {
        uint16_t count;
        bool accepted;
    };
    const Case cases[] = {{0, true}, {1, true}, {20, true}, {21, false}, {65535, false}};
    for (const Case& c : cases) {
        CAPTURE(c.count);
        PeLayout layout;
        layout.sectionCount = c.count;
        layout.length = 312 + 40 * 21;
        Bytes file = BuildPe(layout);
        MemoryReader reader(file.data(), file.size());
        PeImageInfo info;
        CHECK_OR_RETURN(ReadPeHeaders(reader, info));
        CHECK(ReadSectionTable(reader, info) == c.accepted);
    }
}

TEST_CASE("relative virtual addresses map to file offsets")
{
    struct Case {
        const char* label;
        std::vector<FixtureSection> sections;
        int32_t length;
        uint32_t rva;
        uint32_t expected;
    };
    const Case cases[] = {
        {"no sections: the rva itself", {}, 0x10000, 0x500, 0x500},
        {"no sections, rva 0: SizeOfHeaders", {}, 0x10000, 0, 0x400},
        {"inside the section", {{0x1000, 0x1000, 0x1000, 0x400}}, 0x10000, 0x1234, 0x634},
        {"below the section's start: still chosen", {{0x1000, 0x2000, 0x200, 0x1000}}, 0x10000, 0x1800, 0x800},
        {"past every section: the last one is used",
         {{0x1000, 0x1000, 0x200, 0x400}, {0x1000, 0x2000, 0x200, 0x1400}}, 0x10000, 0x5000, 0x4400},
        {"mapped past the end: the rva is used",
         {{0x1000, 0x1000, 0x200, 0x400}, {0x1000, 0x2000, 0x200, 0x1400}}, 0x4000, 0x5000, 0x5000},
        {"first entry in table order, not the lowest address",
         {{0x1000, 0x3000, 0x200, 0x2800}, {0x1000, 0x1000, 0x200, 0x400}}, 0x10000, 0x1100, 0x900},
        {"entry point 4,096 and offset -1,174 wrap below zero: read at 2,922",
         {{0x2000, 4096, 0x2000, 1024}}, 32256, 2922, 2922},
        {"mapped to 0: SizeOfHeaders", {{0x1000, 0x1000, 0x200, 0}}, 0x10000, 0x1000, 0x400},
        {"section end wraps: not above the rva", {{0x2000, 0xFFFFF000u, 0x200, 0x400}, {0x1000, 0x1000, 0x200, 0x800}},
         0x10000, 0x1800, 0x1000},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        PeLayout layout;
        layout.sectionCount = static_cast<uint16_t>(c.sections.size());
        layout.sections = c.sections;
        layout.length = 0x1000;
        Bytes file = BuildPe(layout);
        MemoryReader reader(file.data(), file.size());
        PeImageInfo info;
        CHECK_OR_RETURN(ReadPeHeaders(reader, info));
        CHECK_OR_RETURN(ReadSectionTable(reader, info));
        info.fileLength = c.length;
        CHECK(RvaToFileOffset(c.rva, info) == c.expected);
    }
}

TEST_CASE("the last known row is found in a file laid out the way its offsets imply")
{
    // Entry point 4,096 in a section at VA 4,096, raw 1,024: the first run (-1,174) wraps and is
    // read at 2,922 itself, the second (3,292) at 4,096 + 3,292 - 4,096 + 1,024 = 4,316.
    const SignatureRecord& last = kSignatureTable[kSignatureRecordCount - 1];
    PeLayout layout;
    layout.entryPoint = 4096;
    layout.sectionCount = 1;
    layout.sections.push_back({0x2000, 4096, 0x2000, 1024});
    layout.length = 32256;
    Bytes file = BuildPe(layout);
    PutBytes(file, 2922, last.firstBytes, 20);
    PutBytes(file, 4316, last.secondBytes, 20);
    CHECK(Match(file) == kSignatureRecordCount - 1);
}

TEST_CASE("size rules")
{
    struct Case {
        int32_t rule;
        int32_t fileSize;
        int32_t length;
        bool accepted;
    };
    const Case cases[] = {
        {1, 10000, 10000, true},  {1, 10000, 9999, false}, {1, 10000, 10001, false},
        {2, 10000, 5904, false},  {2, 10000, 5905, true},  {2, 10000, 10000, true},
        {2, 10000, 14095, true},  {2, 10000, 14096, false}, {2, INT32_MIN, INT32_MAX, false},
        {3, 10000, 1, true},      {0, 10000, 10000, false}, {4, 10000, 10000, false},
        {-1, 10000, 10000, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.rule);
        CAPTURE(c.length);
        SignatureRecord r = MakeRecord("T", 0, kRunA, 0, kRunA, c.fileSize, c.rule);
        CHECK(SizeRuleAccepts(r, c.length) == c.accepted);
    }
}

TEST_CASE("table walk: terminator first, unknown rules, first match wins, runs compared exactly")
{
    const SignatureRecord end = {};
    const SignatureRecord good = MakeRecord("W32/KYR.Good.Trojan", 0x100, kRunA, 0x200, kRunB, 0, 3);
    const SignatureRecord alsoGood = MakeRecord("W32/KYR.Also.Trojan", 0x100, kRunA, 0x200, kRunB, 0x2000, 1);
    const SignatureRecord wrongSecond = MakeRecord("W32/KYR.Good.Trojan", 0x100, kRunA, 0x200, kRunA, 0, 3);
    SignatureRecord rule0 = good, rule4 = good;
    rule0.sizeRule = 0;
    rule4.sizeRule = 4;
    SignatureRecord farAway = good;
    farAway.firstOffset = INT32_MAX;  // maps past any 32-bit file position

    struct Case {
        const char* label;
        std::vector<SignatureRecord> table;
        int expected;
    };
    const Case cases[] = {
        {"terminator first", {end, good}, -1},
        {"rule 0 and rule 4 never match", {rule0, rule4, end}, -1},
        {"first of two matching records", {alsoGood, good, end}, 0},
        {"a miss, then a record of the same name", {wrongSecond, good, end}, 1},
        {"run past any file position", {farAway, end}, -1},
    };
    Bytes file = SimpleImage();
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        CHECK(Match(file, c.table.data()) == c.expected);
    }
}

TEST_CASE("a file of another length costs five header reads and no run reads")
{
    Bytes file;
    CHECK_OR_RETURN(BuildRecordFixture(kSignatureTable[0], PeFault::LengthPlusOne, file));
    CountingReader reader(file.data(), file.size());
    PeImageInfo info;
    CHECK(MatchSignatureTable(reader, kSignatureTable, info) == -1);
    CHECK(reader.reads == 5);
    CHECK(reader.largest <= 96);
}

TEST_CASE("a program padded to a row's length keeps its bytes and matches that row")
{
    // A small image: .text {VA 0x1000, 0x3000 bytes, raw 0x400}, .data {VA 0x4000, raw 0x3400}.
    PeLayout layout;
    layout.sectionCount = 2;
    layout.sections.push_back({0x3000, 0x1000, 0x3000, 0x400});
    layout.sections.push_back({0x1000, 0x4000, 0x1000, 0x3400});
    layout.length = 0x4400;
    Bytes program = BuildPe(layout);
    for (size_t i = 0x400; i < program.size(); ++i)
        program[i] = static_cast<uint8_t>(i * 7);

    int padded = 0;
    for (int row = 0; row < kSignatureRecordCount; ++row) {
        CAPTURE(row);
        Bytes out;
        std::string why;
        if (!PadProgramForRecord(program, kSignatureTable[row], out, why))
            continue;
        ++padded;
        CHECK(out.size() == static_cast<size_t>(int32_t(kSignatureTable[row].fileSize)));
        CHECK(std::memcmp(out.data(), program.data(), program.size()) == 0);
        CHECK(Match(out) == row);
    }
    CHECK(padded >= 5);
    // Runs before the entry point would land inside the program: refused.
    Bytes out;
    std::string why;
    CHECK_FALSE(PadProgramForRecord(program, kSignatureTable[kSignatureRecordCount - 1], out, why));
}
