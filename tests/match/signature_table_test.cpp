// The built-in signature table: stored layout, the three known rows and the shape of the data set.
#include <doctest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "match/signature_table.h"

// doctest's REQUIRE needs exceptions, which this build leaves out: end the case by hand.
#define CHECK_OR_RETURN(cond)         \
    if (!(cond)) {                \
        FAIL_CHECK(#cond);        \
        return;                   \
    }

namespace {

int CountRecords()
{
    int count = 0;
    while (kSignatureTable[count].name[0] != '\0')
        ++count;
    return count;
}

std::vector<uint8_t> Hex(const char* text)
{
    std::vector<uint8_t> bytes;
    for (const char* p = text; *p != '\0';) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::strtoul(std::string(p, 2).c_str(), nullptr, 16)));
        p += 2;
    }
    return bytes;
}

// The name's form: the group it belongs to.
std::string FormOf(const std::string& name)
{
    const std::string prefix = "W32/KYR.";
    if (name.compare(0, prefix.size(), prefix) != 0)
        return "other";
    std::string rest = name.substr(prefix.size());
    size_t dot = rest.find('.');
    if (dot == std::string::npos || dot == 0)
        return "other";
    return rest.substr(dot);  // ".PSW.Trojan", ".Spy.Trojan", ...
}

}  // namespace

TEST_CASE("the embedded table is the stored file, 748 records and an all-zero terminator")
{
    const char* root = std::getenv("TVX_ROOT");
    std::string path = std::string(root != nullptr ? root : ".") + "/match/signatures.bin";
    FILE* f = std::fopen(path.c_str(), "rb");
    CHECK_OR_RETURN(f != nullptr);
    std::vector<uint8_t> stored(100000);
    size_t n = std::fread(stored.data(), 1, stored.size(), f);
    std::fclose(f);
    CHECK(n == 80892);
    CHECK(std::memcmp(stored.data(), kSignatureTable, n) == 0);

    CHECK(CountRecords() == kSignatureRecordCount);
    const uint8_t* end = reinterpret_cast<const uint8_t*>(&kSignatureTable[kSignatureRecordCount]);
    for (size_t i = 0; i < sizeof(SignatureRecord); ++i)
        CHECK(end[i] == 0);
}

TEST_CASE("rows 1, 2 and 748 are the known samples")
{
    struct Row {
        int index;
        const char* name;
        int32_t firstOffset;
        const char* firstBytes;
        int32_t secondOffset;
        const char* secondBytes;
        int32_t fileSize;
    };
    const Row rows[] = {
        {0, "W32/KYR.Ag.PSW.Trojan", 383, "2B F8 59 0C C1 EF 05 03 B2 D3 C7 6C 45 FF B5 E8 0A 82 3E 97", 1266,
         "55 D0 72 06 29 DB 0A B4 62 BC B1 75 C5 6A 84 0F F3 08 04 44", 73775},
        {1, "W32/KYR.Fr.PSW.Trojan", -85703, "07 4A 51 72 F4 50 B3 74 16 5C 69 44 10 53 99 54 86 F4 21 A8", -58604,
         "9F 17 3E 2E 7C 5C F8 B9 F1 73 E2 E7 C5 CF 8B 9F 17 3E 2E 7C", 50176},
        {747, "W32/KYR.FMV.Trojan", -1174, "8B EC 81 EC 14 03 00 00 53 56 57 6A 3F 33 DB 59 33 C0 8D BD", 3292,
         "8A 26 8A 07 88 06 88 27 46 4F EB F0 8B C2 5E 5F C9 C3 00 00", 32256},
    };
    for (const Row& row : rows) {
        CAPTURE(row.index);
        const SignatureRecord& r = kSignatureTable[row.index];
        CHECK(std::string(r.name) == row.name);
        CHECK(int32_t(r.firstOffset) == row.firstOffset);
        CHECK(std::memcmp(r.firstBytes, Hex(row.firstBytes).data(), 20) == 0);
        CHECK(int32_t(r.secondOffset) == row.secondOffset);
        CHECK(std::memcmp(r.secondBytes, Hex(row.secondBytes).data(), 20) == 0);
        CHECK(int32_t(r.fileSize) == row.fileSize);
        CHECK(int32_t(r.sizeRule) == 1);
    }
}

TEST_CASE("the data set has the stated shape")
{
    std::map<std::string, int> perName;
    std::set<std::pair<std::string, int32_t>> nameAndSize;
    bool nameSharesLength = false;
    int32_t minSize = INT32_MAX, maxSize = INT32_MIN;
    int32_t minFirst = INT32_MAX, maxFirst = INT32_MIN, minSecond = INT32_MAX, maxSecond = INT32_MIN;
    int firstBeforeSecond = 0, negativeFirst = 0, negativeSecond = 0;
    size_t longestName = 0;
    for (int i = 0; i < kSignatureRecordCount; ++i) {
        const SignatureRecord& r = kSignatureTable[i];
        CAPTURE(i);
        size_t length = strnlen(r.name, sizeof(r.name));
        CHECK_OR_RETURN(length < sizeof(r.name));
        for (size_t k = length; k < sizeof(r.name); ++k)
            CHECK(r.name[k] == '\0');  // NUL-padded
        CHECK(r.firstBytes[20] == 0);
        CHECK(r.secondBytes[20] == 0);
        CHECK(int32_t(r.sizeRule) == static_cast<int32_t>(SizeRule::Exact));
        std::string name(r.name);
        longestName = std::max(longestName, length);
        ++perName[name];
        if (!nameAndSize.insert({name, int32_t(r.fileSize)}).second)
            nameSharesLength = true;
        int32_t size = r.fileSize, first = r.firstOffset, second = r.secondOffset;
        minSize = std::min(minSize, size);
        maxSize = std::max(maxSize, size);
        minFirst = std::min(minFirst, first);
        maxFirst = std::max(maxFirst, first);
        minSecond = std::min(minSecond, second);
        maxSecond = std::max(maxSecond, second);
        firstBeforeSecond += r.firstOffset < r.secondOffset;
        negativeFirst += r.firstOffset < 0;
        negativeSecond += r.secondOffset < 0;
    }
    CHECK(perName.size() == 588);
    int most = 0;
    std::map<std::string, int> forms;
    for (const auto& entry : perName) {
        most = std::max(most, entry.second);
        ++forms[FormOf(entry.first)];
    }
    CHECK(most == 14);
    CHECK(forms[".PSW.Trojan"] == 193);
    CHECK(forms[".Spy.Trojan"] == 206);
    CHECK(forms[".Trojan"] == 157);
    CHECK(forms[".PWS.Trojan"] == 20);
    CHECK(forms[".DR.Trojan"] == 2);
    CHECK(forms[".Dropper.Trojan"] == 1);
    CHECK(forms["other"] == 9);
    CHECK(perName.count("W32/Kyrsteal.FQ.PWS.Trojan") == 1);
    CHECK(perName.count("W32/Kyr.23.Backdoor") == 1);
    CHECK(longestName == 26);
    CHECK(nameSharesLength);
    CHECK(minSize == 3584);
    CHECK(maxSize == 2807368);
    CHECK(minFirst == -761872);
    CHECK(maxFirst == 948582);
    CHECK(minSecond == -755408);
    CHECK(maxSecond == 2260806);
    CHECK(firstBeforeSecond == 660);
    CHECK(negativeFirst > 100);   // runs before the entry point are common
    CHECK(negativeSecond > 100);
}
