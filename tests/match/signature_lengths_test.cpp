// The lengths a signature table accepts, checked against the records' own size rules.
#include <doctest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "match/signature_lengths.h"
#include "match/signature_match.h"

namespace {

SignatureRecord Record(int32_t fileSize, int32_t sizeRule)
{
    SignatureRecord r;
    std::memset(&r, 0, sizeof(r));
    CopyText(r.name, sizeof(r.name), "Test.Record");
    r.fileSize = fileSize;
    r.sizeRule = sizeRule;
    return r;
}

// Records followed by the all-zero terminator.
std::vector<SignatureRecord> Table(std::vector<SignatureRecord> records)
{
    SignatureRecord end;
    std::memset(&end, 0, sizeof(end));
    records.push_back(end);
    return records;
}

// What the record loop would accept: some record's own length test passes, for a length the
// matcher takes at all (0 to INT32_MAX).
bool SomeRecordAccepts(const SignatureRecord* table, int64_t length)
{
    if (length < 0 || length > INT32_MAX)
        return false;
    for (int i = 0; table[i].name[0] != '\0'; ++i) {
        if (SizeRuleAccepts(table[i], static_cast<int32_t>(length)))
            return true;
    }
    return false;
}

// Lengths around every record's own, the window edges, and the ends of the range.
std::vector<int64_t> Probes(const SignatureRecord* table)
{
    std::vector<int64_t> probes = {-1, 0, 1, 62, INT32_MAX - 1, INT32_MAX, int64_t(INT32_MAX) + 1,
                                   int64_t(1) << 32, (int64_t(1) << 32) + 73775};
    const int64_t around[] = {-kSizeWindow - 1, -kSizeWindow, -kSizeWindow + 1, -1, 0, 1,
                              kSizeWindow - 1, kSizeWindow, kSizeWindow + 1};
    for (int i = 0; table[i].name[0] != '\0'; ++i) {
        for (int64_t d : around)
            probes.push_back(int64_t(table[i].fileSize) + d);
    }
    return probes;
}

SignatureLengths g_lengths;  // too large for the stack of a test case

}  // namespace

TEST_CASE("the lengths admitted are exactly those some record's size rule accepts")
{
    const int32_t exact = static_cast<int32_t>(SizeRule::Exact);
    const int32_t near = static_cast<int32_t>(SizeRule::Near);
    struct Case {
        const char* label;
        std::vector<SignatureRecord> table;
    };
    const Case cases[] = {
        {"empty table", Table({})},
        {"exact lengths, one repeated", Table({Record(50176, exact), Record(3584, exact), Record(50176, exact)})},
        {"near window among exact lengths",
         Table({Record(73775, exact), Record(10000, near), Record(12000, exact), Record(32256, exact)})},
        {"overlapping and touching near windows", Table({Record(20000, near), Record(25000, near), Record(33191, near)})},
        {"near windows at both ends of the range", Table({Record(100, near), Record(INT32_MAX - 100, near)})},
        {"negative lengths", Table({Record(-5, exact), Record(-100, near)})},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        BuildSignatureLengths(c.table.data(), g_lengths);
        CHECK_FALSE(g_lengths.admitsAll);
        for (int64_t length : Probes(c.table.data())) {
            CAPTURE(length);
            CHECK(SignatureLengthsAdmit(g_lengths, length) == SomeRecordAccepts(c.table.data(), length));
        }
    }
}

TEST_CASE("the built-in table admits its own lengths and nothing else")
{
    BuildSignatureLengths(kSignatureTable, g_lengths);
    CHECK(g_lengths.built);
    CHECK_FALSE(g_lengths.admitsAll);
    for (int64_t length : Probes(kSignatureTable)) {
        CAPTURE(length);
        CHECK(SignatureLengthsAdmit(g_lengths, length) == SomeRecordAccepts(kSignatureTable, length));
    }
    CHECK(SignatureLengthsAdmit(g_lengths, 73775));  // row 1
    CHECK_FALSE(SignatureLengthsAdmit(g_lengths, 73776));
}

TEST_CASE("a near window of 10,000 admits 5,905 to 14,095")
{
    const std::vector<SignatureRecord> table = Table({Record(10000, static_cast<int32_t>(SizeRule::Near))});
    BuildSignatureLengths(table.data(), g_lengths);
    const struct {
        int64_t length;
        bool admitted;
    } rows[] = {{5904, false}, {5905, true}, {10000, true}, {14095, true}, {14096, false}};
    for (const auto& row : rows) {
        CAPTURE(row.length);
        CHECK(SignatureLengthsAdmit(g_lengths, row.length) == row.admitted);
    }
}

TEST_CASE("an Any record, a rule of unknown kind or too many ranges admit every length the matcher takes")
{
    const int32_t exact = static_cast<int32_t>(SizeRule::Exact);
    std::vector<SignatureRecord> crowded;
    for (int i = 0; i <= kMaxLengthRanges; ++i)
        crowded.push_back(Record(1000 + 2 * i, exact));
    struct Case {
        const char* label;
        std::vector<SignatureRecord> table;
    };
    const Case cases[] = {
        {"Any after exact lengths", Table({Record(50176, exact), Record(0, static_cast<int32_t>(SizeRule::Any))})},
        {"rule 0", Table({Record(50176, exact), Record(3584, 0)})},
        {"rule 4", Table({Record(3584, 4)})},
        {"more ranges than kept", Table(crowded)},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        BuildSignatureLengths(c.table.data(), g_lengths);
        CHECK(g_lengths.admitsAll);
        const struct {
            int64_t length;
            bool admitted;
        } rows[] = {{0, true}, {1, true}, {1001, true}, {INT32_MAX, true},
                    {int64_t(INT32_MAX) + 1, false}, {int64_t(1) << 32, false}};
        for (const auto& row : rows) {
            CAPTURE(row.length);
            CHECK(SignatureLengthsAdmit(g_lengths, row.length) == row.admitted);
        }
    }
}
