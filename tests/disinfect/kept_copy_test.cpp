// The kept copy: it comes back byte for byte, and no matcher of ours finds anything in it.
#include <doctest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/byte_reader.h"
#include "base/sha256.h"
#include "disinfect/kept_copy.h"
#include "match/mail_match.h"
#include "match/signature_match.h"
#include "tests/fixtures/fixtures.h"

namespace {

Bytes Keep(const Bytes& file)
{
    KeptHeader header{};
    header.size = file.size();
    Sha256Of(file.data(), file.size(), header.sha256);
    Bytes kept(kKeptHeaderSize);
    WriteKeptHeader(header, kept.data());
    Bytes body = file;
    KeptCopyMixer mixer;
    mixer.Apply(body.data(), body.size());
    kept.insert(kept.end(), body.begin(), body.end());
    return kept;
}

// The way the undo reads it back, against the original's length and hash.
bool PutBack(const Bytes& kept, const Bytes& original, Bytes& file)
{
    uint8_t sha256[kSha256Size];
    Sha256Of(original.data(), original.size(), sha256);
    MemoryReader reader(kept.data(), kept.size());
    file.assign(original.size(), 0);
    return ReadKeptCopy(reader, original.size(), sha256, file.data()) == nullptr;
}

bool Holds(const Bytes& data, const uint8_t* run, size_t length)
{
    return std::search(data.begin(), data.end(), run, run + length) != data.end();
}

int MatchSignatures(const Bytes& file)
{
    MemoryReader reader(file.data(), file.size());
    PeImageInfo info;
    return MatchSignatureTable(reader, kSignatureTable, info);
}

int MatchMail(const Bytes& file)
{
    MailRecord record = g_mailRecords[0];
    UnscrambleMailPatterns(&record, 1);
    MemoryReader reader(file.data(), file.size());
    static MailWindows windows;
    return MatchMailRecordTable(reader, &record, 1, windows);
}

}  // namespace

TEST_CASE("no record matches the kept copy of any record's fixture, and neither run survives in it")
{
    int built = 0;
    for (int i = 0; kSignatureTable[i].name[0] != '\0'; ++i) {
        const SignatureRecord& record = kSignatureTable[i];
        INFO("record " << i << " " << record.name);
        Bytes file;
        if (!BuildRecordFixture(record, PeFault::None, file))
            continue;
        ++built;
        if (MatchSignatures(file) < 0) {
            FAIL_CHECK("the fixture itself is not found");
            continue;
        }
        Bytes kept = Keep(file);
        CHECK(MatchSignatures(kept) == -1);
        CHECK(MatchMail(kept) == -1);
        CHECK_FALSE(Holds(kept, record.firstBytes, kSignatureRunLength));
        CHECK_FALSE(Holds(kept, record.secondBytes, kSignatureRunLength));
        Bytes back;
        CHECK(PutBack(kept, file, back));
        CHECK(back == file);
    }
    CHECK(built > kSignatureRecordCount / 2);
}

TEST_CASE("the mail matcher finds no kept mail file, and the pattern does not survive in it")
{
    struct Row {
        const char* label;
        MailFixture fixture;
    } rows[] = {
        {"pattern at the head", MailFixture{}},
        {"pattern split by whitespace", [] { MailFixture f; f.splitEvery = 3; return f; }()},
        {"a long file, pattern further in", [] { MailFixture f; f.size = 20000; f.patternAt = 1500; return f; }()},
    };
    const std::string pattern = kMailPatternText;
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        Bytes file = BuildMailFile(row.fixture);
        if (MatchMail(file) != 0) {
            FAIL_CHECK("the fixture itself is not found");
            continue;
        }
        Bytes kept = Keep(file);
        CHECK(MatchMail(kept) == -1);
        CHECK(MatchSignatures(kept) == -1);
        CHECK_FALSE(Holds(kept, reinterpret_cast<const uint8_t*>(pattern.data()), 20));
        CHECK_FALSE(Holds(kept, reinterpret_cast<const uint8_t*>("begin"), 5));
        Bytes back;
        CHECK(PutBack(kept, file, back));
        CHECK(back == file);
    }
}

TEST_CASE("a kept copy opens as no program: not MZ, and no PE header behind its offset field")
{
    Bytes kept = Keep(Bytes(100, 0));
    CHECK_FALSE((kept[0] == 'M' && kept[1] == 'Z'));
    CHECK(ReadLe32(kept.data() + kPeHeaderOffsetField) == 0);
    CHECK(std::memcmp(kept.data(), "PE\0\0", 4) != 0);
}

TEST_CASE("the header reader takes only what the writer makes")
{
    Bytes good = Keep(Bytes{'a', 'b', 'c'});
    struct Row {
        const char* label;
        size_t at;
        uint8_t value;
        bool accepted;
    } rows[] = {
        {"as written", 0, 'T', true},
        {"mark changed", 3, 'k', false},
        {"version 2", 8, 2, false},
        {"reserved byte set", 52, 1, false},
        {"last reserved byte set", 63, 1, false},
        {"size may be anything", 12, 0xFF, true},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        Bytes kept = good;
        kept[row.at] = row.value;
        KeptHeader header{};
        CHECK(ReadKeptHeader(kept.data(), header) == row.accepted);
    }
    KeptHeader header{};
    CHECK(ReadKeptHeader(good.data(), header));
    CHECK(header.size == 3);
    Bytes empty;
    Bytes back;
    CHECK(PutBack(Keep(empty), empty, back));
    CHECK(back.empty());
}

TEST_CASE("a kept copy that was changed, cut or swapped is refused")
{
    const Bytes file = [] {
        Bytes bytes(5000);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 13);
        return bytes;
    }();
    const Bytes good = Keep(file);
    const Bytes other = Keep(Bytes(5000, 0x90));
    struct Row {
        const char* label;
        Bytes kept;
        const char* fault;
    } rows[] = {
        {"as kept", good, nullptr},
        {"a body byte changed", [&] { Bytes b = good; b[kKeptHeaderSize + 4321] ^= 1; return b; }(),
         "the kept copy's SHA-256 differs from its record"},
        {"the last byte changed", [&] { Bytes b = good; b.back() ^= 0x80; return b; }(),
         "the kept copy's SHA-256 differs from its record"},
        {"cut by one byte", [&] { Bytes b = good; b.pop_back(); return b; }(), "the kept copy does not match its record"},
        {"one byte more", [&] { Bytes b = good; b.push_back(0); return b; }(), "the kept copy does not match its record"},
        {"cut inside the header", Bytes(good.begin(), good.begin() + 40), "the kept copy does not match its record"},
        {"another file's copy", other, "the kept copy does not match its record"},
        {"its size field changed", [&] { Bytes b = good; b[12] ^= 1; return b; }(), "the kept copy does not match its record"},
        {"its hash field changed", [&] { Bytes b = good; b[20] ^= 1; return b; }(), "the kept copy does not match its record"},
        {"the plain file itself", file, "the kept copy does not match its record"},
    };
    uint8_t sha256[kSha256Size];
    Sha256Of(file.data(), file.size(), sha256);
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        MemoryReader reader(row.kept.data(), row.kept.size());
        Bytes back(file.size());
        const char* fault = ReadKeptCopy(reader, file.size(), sha256, back.data());
        CHECK(std::string(fault ? fault : "") == std::string(row.fault ? row.fault : ""));
        if (row.fault == nullptr)
            CHECK(back == file);
    }
}

TEST_CASE("kept copy names: five digits and the ending, nothing else")
{
    char name[kKeptCopyNameSize];
    CHECK(KeptCopyName(1, name, sizeof(name)));
    CHECK(std::string(name) == "00001.kpt");
    CHECK(KeptCopyName(kMaxKeptCopies, name, sizeof(name)));
    CHECK(std::string(name) == "99999.kpt");
    CHECK_FALSE(KeptCopyName(0, name, sizeof(name)));
    CHECK_FALSE(KeptCopyName(kMaxKeptCopies + 1, name, sizeof(name)));
    struct Row {
        const char* name;
        bool valid;
    } rows[] = {
        {"00001.kpt", true}, {"12345.KPT", true}, {"00000.kpt", false}, {"0001.kpt", false},
        {"000001.kpt", false}, {"00001.kpt.exe", false}, {"00001.exe", false}, {"..\\01.kpt", false},
        {"0000a.kpt", false}, {"", false}, {"00001", false},
    };
    for (const Row& row : rows) {
        INFO(row.name);
        CHECK(IsKeptCopyName(row.name) == row.valid);
    }
}
