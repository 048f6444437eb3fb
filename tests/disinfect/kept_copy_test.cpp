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

// The way the restore reads it: header, then the body unmixed in pieces of an awkward size.
bool PutBack(const Bytes& kept, Bytes& file)
{
    KeptHeader header{};
    if (kept.size() < kKeptHeaderSize || !ReadKeptHeader(kept.data(), header))
        return false;
    file.assign(kept.begin() + kKeptHeaderSize, kept.end());
    KeptCopyMixer mixer;
    for (size_t at = 0; at < file.size(); at += 7)
        mixer.Apply(file.data() + at, std::min<size_t>(7, file.size() - at));
    uint8_t digest[kSha256Size];
    Sha256Of(file.data(), file.size(), digest);
    return header.size == file.size() && std::memcmp(digest, header.sha256, kSha256Size) == 0;
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
        CHECK(PutBack(kept, back));
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
        CHECK(PutBack(kept, back));
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
    CHECK(PutBack(Keep(empty), empty));
    CHECK(empty.empty());
}

TEST_CASE("a changed byte in the body fails the hash")
{
    Bytes file(5000, 0x90);
    Bytes kept = Keep(file);
    kept[kKeptHeaderSize + 4321] ^= 1;
    Bytes back;
    CHECK_FALSE(PutBack(kept, back));
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
