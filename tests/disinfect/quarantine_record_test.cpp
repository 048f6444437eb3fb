// The quarantine's records file: every kind reads back as written, and the reader refuses whatever
// the undo must not act on.
#include <doctest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "disinfect/quarantine_record.h"
#include "tests/lib/string_sink.h"

namespace {

class Collect : public RecordVisitor {
public:
    bool Record(const QuarantineRecord& record) override
    {
        records.push_back(std::make_unique<QuarantineRecord>(record));
        return true;
    }
    std::vector<std::unique_ptr<QuarantineRecord>> records;
};

std::unique_ptr<QuarantineRecord> NewRecord(RecordKind kind)
{
    auto record = std::make_unique<QuarantineRecord>();
    ClearRecord(*record, kind);
    return record;
}

std::unique_ptr<QuarantineRecord> KeptFile()
{
    auto r = NewRecord(RecordKind::kFile);
    std::strcpy(r->path, "C:\\many\\Program Files\\seed 100%.exe");
    std::strcpy(r->shortPath, "C:\\many\\PROGRA~1\\SEED10~1.EXE");
    r->attributes = 0x21;
    r->created = 0x01D9A1B2C3D4E5F6ull;
    r->accessed = 1;
    r->written = 0xFFFFFFFFFFFFFFFFull;
    r->size = 4096;
    for (size_t i = 0; i < kSha256Size; ++i)
        r->sha256[i] = static_cast<uint8_t>(i * 9 + 1);
    std::strcpy(r->copy, "00001.kpt");
    std::strcpy(r->detection, "W32/KYR.Oqm.Spy.Trojan");
    std::strcpy(r->action, "delete");
    std::strcpy(r->result, "removed");
    return r;
}

std::unique_ptr<QuarantineRecord> RunValue()
{
    auto r = NewRecord(RecordKind::kValue);
    r->view = kView64;
    std::strcpy(r->key, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    // Value names may hold anything but NUL: escapes, '=', a line end.
    std::strcpy(r->valueName, "odd=name %41\r\nsecond line");
    r->valueType = 2;
    const char data[] = "%SystemRoot%\\seed.exe";
    std::memcpy(r->data, data, sizeof(data));
    r->dataSize = sizeof(data);
    std::strcpy(r->detection, "W32/KYR.Trojan");
    std::strcpy(r->action, "delete value");
    std::strcpy(r->result, "removed");
    return r;
}

std::string WriteFile(const std::vector<const QuarantineRecord*>& records, const char* scanId = "20261210-100738")
{
    StringSink sink;
    RecordFileHeader header{};
    std::strcpy(header.scanId, scanId);
    CHECK(WriteRecordFileHeader(header, sink));
    for (const QuarantineRecord* record : records)
        CHECK(WriteRecord(*record, sink));
    return sink.text;
}

RecordFileSummary Read(const std::string& text, Collect* collect = nullptr)
{
    MemoryReader reader(text.data(), text.size());
    RecordFileSummary summary;
    ReadRecordFile(reader, summary, collect);
    return summary;
}

// Field by field: bytes after a text's terminator or past dataSize are not part of the record.
bool SameRecord(const QuarantineRecord& a, const QuarantineRecord& b)
{
    auto same = [](const char* x, const char* y) { return std::strcmp(x, y) == 0; };
    return a.kind == b.kind && same(a.path, b.path) && same(a.shortPath, b.shortPath) && a.attributes == b.attributes &&
           a.created == b.created && a.accessed == b.accessed && a.written == b.written && a.size == b.size &&
           std::memcmp(a.sha256, b.sha256, kSha256Size) == 0 && same(a.copy, b.copy) && same(a.notKept, b.notKept) &&
           a.view == b.view && same(a.key, b.key) && same(a.valueName, b.valueName) && a.valueType == b.valueType &&
           a.dataSize == b.dataSize && std::memcmp(a.data, b.data, a.dataSize) == 0 && same(a.detection, b.detection) &&
           same(a.action, b.action) && same(a.result, b.result) && a.undoTime == b.undoTime &&
           a.restored == b.restored && a.left == b.left;
}

}  // namespace

TEST_CASE("every kind of record reads back as written")
{
    auto file = KeptFile();
    auto notKept = KeptFile();
    notKept->copy[0] = '\0';
    std::memset(notKept->sha256, 0, kSha256Size);
    std::strcpy(notKept->notKept, "larger than 16 MiB");
    std::strcpy(notKept->path, "C:\\x\\name ending in a dot.");
    auto value = RunValue();
    auto defaultValue = RunValue();
    defaultValue->valueName[0] = '\0';
    defaultValue->view = kView32;
    defaultValue->valueType = 3;
    defaultValue->dataSize = kMaxValueData;
    for (size_t i = 0; i < kMaxValueData; ++i)
        defaultValue->data[i] = static_cast<uint8_t>(i);
    auto emptyData = RunValue();
    emptyData->dataSize = 0;
    emptyData->valueType = 0xFFFFFFFFu;
    auto key = NewRecord(RecordKind::kKey);
    std::strcpy(key->key, "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\seed\\Enum");
    std::strcpy(key->detection, "W32/KYR.Trojan");
    std::strcpy(key->action, "delete service key");
    std::strcpy(key->result, "removed");
    auto undo = NewRecord(RecordKind::kUndo);
    undo->undoTime = 0x01DA000000000000ull;
    undo->restored = 3;
    undo->left = 0;
    auto longest = KeptFile();
    std::string path = "C:\\" + std::string(kPathSize - 4, 'a');
    std::strcpy(longest->path, path.c_str());

    std::vector<const QuarantineRecord*> written = {file.get(), notKept.get(), value.get(), defaultValue.get(),
                                                    emptyData.get(), key.get(), undo.get(), longest.get()};
    std::string text = WriteFile(written);
    Collect collect;
    RecordFileSummary summary = Read(text, &collect);
    CHECK(summary.fault == RecordFault::kNone);
    CHECK_FALSE(summary.cutTail);
    CHECK(std::string(summary.header.scanId) == "20261210-100738");
    CHECK(summary.files == 3);
    CHECK(summary.values == 3);
    CHECK(summary.keys == 1);
    CHECK(summary.undos == 1);
    CHECK(collect.records.size() == written.size());
    for (size_t i = 0; i < written.size() && i < collect.records.size(); ++i) {
        INFO("record " << i);
        CHECK(SameRecord(*collect.records[i], *written[i]));
    }
    // One line per field, whatever a value name holds.
    CHECK(text.find("name=odd=name %2541%0d%0asecond line\r\n") != std::string::npos);
}

TEST_CASE("what the undo would write: file paths")
{
    struct Row {
        const char* path;
        bool safe;
    } rows[] = {
        {"C:\\a.exe", true},
        {"z:\\Program Files\\x y\\seed.exe", true},
        {"C:\\x\\trailing dot.", true},
        {"C:\\x\\.hidden", true},
        {"C:\\x\\a..b", true},
        {"a.exe", false},
        {"C:a.exe", false},
        {"\\windows\\a.exe", false},
        {"C:\\", false},
        {"C:\\x\\", false},
        {"C:\\x\\\\a.exe", false},
        {"C:\\x\\..\\a.exe", false},
        {"C:\\..", false},
        {"C:\\x\\.\\a.exe", false},
        {"C:/x/a.exe", false},
        {"C:\\x/..\\a.exe", false},
        {"\\\\?\\C:\\a.exe", false},
        {"\\\\.\\PhysicalDrive0", false},
        {"\\\\server\\share\\a.exe", false},
        {"1:\\a.exe", false},
        {"C:\\x\\a.exe:stream", false},
        {"C:\\x\\a*.exe", false},
        {"C:\\x\\a?.exe", false},
        {"C:\\x\\a\"b", false},
        {"C:\\x\\a\tb", false},
        {"C:\\x\\a|b", false},
        {"C:\\CON", false},
        {"C:\\x\\con", false},
        {"C:\\x\\nul.txt", false},
        {"C:\\x\\NUL .txt", false},
        {"C:\\x\\aux.", false},
        {"C:\\x\\prn \\a.exe", false},
        {"C:\\x\\COM1", false},
        {"C:\\x\\lpt9.log", false},
        {"C:\\x\\COM\xB9", false},
        {"C:\\x\\CONIN$", false},
        {"C:\\x\\conout$.x", false},
        {"C:\\x\\CLOCK$", false},
        {"C:\\x\\COM10", true},
        {"C:\\x\\CONSOLE", true},
        {"C:\\x\\NULL.exe", true},
        {"C:\\x\\com", true},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.path));
        CHECK(IsSafeFilePath(row.path) == row.safe);
    }
    const std::string fits = "C:\\" + std::string(kPathSize - 4, 'a');
    const std::string over = fits + "a";
    CHECK(IsSafeFilePath(fits.c_str()));
    CHECK_FALSE(IsSafeFilePath(over.c_str()));
}

TEST_CASE("what the undo would write: registry keys and scan IDs")
{
    struct Row {
        const char* text;
        bool safe;
    } keys[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {"hkey_local_machine\\SYSTEM\\ControlSet001\\Services\\seed", true},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\x\\odd:name*", true},
        {"HKEY_LOCAL_MACHINE\\", false},
        {"HKEY_LOCAL_MACHINE", false},
        {"HKEY_CURRENT_USER\\Software\\x", false},
        {"HKEY_LOCAL_MACHINE\\Software\\\\x", false},
        {"HKEY_LOCAL_MACHINE\\Software\\..\\x", false},
        {"HKEY_LOCAL_MACHINE\\Software\\x\\", false},
        {"HKEY_LOCAL_MACHINE\\Software\\a\rb", false},
        {"Software\\x", false},
    };
    for (const Row& row : keys) {
        INFO(std::string(row.text));
        CHECK(IsSafeRegistryKey(row.text) == row.safe);
    }
    Row ids[] = {
        {"20261210-100738", true}, {"1", true}, {"1-2-3", true}, {"", false}, {"-1", false}, {"1-", false},
        {"1--2", false}, {"2026121a", false}, {"..", false}, {"1\\2", false},
        {"1234567890123456789012345678901", true}, {"12345678901234567890123456789012", false},
    };
    for (const Row& row : ids) {
        INFO(std::string(row.text));
        CHECK(IsScanIdText(row.text) == row.safe);
    }
}

TEST_CASE("the writer refuses what the reader would refuse")
{
    struct Row {
        const char* label;
        std::function<void(QuarantineRecord&)> change;
    } rows[] = {
        {"relative path", [](QuarantineRecord& r) { std::strcpy(r.path, "seed.exe"); }},
        {"short path climbs", [](QuarantineRecord& r) { std::strcpy(r.shortPath, "C:\\x\\..\\..\\seed.exe"); }},
        {"device name", [](QuarantineRecord& r) { std::strcpy(r.path, "C:\\x\\NUL"); }},
        {"a copy without its hash", [](QuarantineRecord& r) { std::memset(r.sha256, 0, kSha256Size); }},
        {"a copy name with a folder", [](QuarantineRecord& r) { std::strcpy(r.copy, "..\\00001.kpt"); }},
        {"neither a copy nor why not", [](QuarantineRecord& r) { r.copy[0] = '\0'; }},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        auto record = KeptFile();
        row.change(*record);
        StringSink sink;
        CHECK_FALSE(WriteRecord(*record, sink));
    }
    auto value = RunValue();
    std::strcpy(value->key, "HKEY_USERS\\x");
    StringSink sink;
    CHECK_FALSE(WriteRecord(*value, sink));
    RecordFileHeader header{};
    std::strcpy(header.scanId, "..\\x");
    CHECK_FALSE(WriteRecordFileHeader(header, sink));
}

TEST_CASE("the reader refuses a records file that was changed")
{
    auto file = KeptFile();
    auto value = RunValue();
    const std::string good = WriteFile({file.get(), value.get()});
    CHECK(Read(good).fault == RecordFault::kNone);
    const size_t hashAt = good.find("sha256=") + 7;
    const std::string hash = good.substr(hashAt, 2 * kSha256Size);
    struct Row {
        const char* label;
        std::string from, to;
        RecordFault fault;
    } rows[] = {
        {"another first line", "Tarvex quarantine records 1", "Tarvex quarantine records 2", RecordFault::kBadHeader},
        {"a scan ID that climbs", "scan=20261210-100738", "scan=..", RecordFault::kBadHeader},
        {"a view of 16 bits", "view=64", "view=16", RecordFault::kBadValue},
        {"a view spelt in capitals", "view=64", "view=ONLY", RecordFault::kBadValue},
        {"a relative path", "path=C:\\many\\", "path=many\\", RecordFault::kUnsafePath},
        {"a path that climbs", "path=C:\\many\\", "path=C:\\many\\..\\..\\", RecordFault::kUnsafePath},
        {"a device path", "short=C:\\many\\PROGRA~1\\SEED10~1.EXE", "short=\\\\.\\C:", RecordFault::kUnsafePath},
        {"a device name", "short=C:\\many\\PROGRA~1\\SEED10~1.EXE", "short=C:\\many\\COM1.EXE", RecordFault::kUnsafePath},
        {"the long path through \\\\?\\", "path=C:\\many\\", "path=\\\\?\\C:\\many\\", RecordFault::kUnsafePath},
        {"a key outside HKLM", "key=HKEY_LOCAL_MACHINE\\", "key=HKEY_CURRENT_USER\\", RecordFault::kUnsafePath},
        {"an unknown field", "size=4096", "size=4096\r\nowner=x", RecordFault::kUnknownField},
        {"a field of another kind", "size=4096", "size=4096\r\ntype=1", RecordFault::kUnknownField},
        {"a field twice", "size=4096", "size=4096\r\nsize=4096", RecordFault::kDuplicateField},
        {"a missing field", "attributes=00000021\r\n", "", RecordFault::kMissingField},
        {"copy and notkept both", "copy=00001.kpt", "copy=00001.kpt\r\nnotkept=why", RecordFault::kDuplicateField},
        {"a copy in another folder", "copy=00001.kpt", "copy=..\\00001.kpt", RecordFault::kBadValue},
        {"a copy that runs", "copy=00001.kpt", "copy=00001.exe", RecordFault::kBadValue},
        {"a hash cut short", "sha256=01", "sha256=1", RecordFault::kBadValue},
        {"a hash of zeros", hash, std::string(2 * kSha256Size, '0'), RecordFault::kBadValue},
        {"a hash one digit too long", hash, hash + "0", RecordFault::kBadValue},
        {"a size with a sign", "size=4096", "size=-4096", RecordFault::kBadValue},
        {"a size past 64 bits", "size=4096", "size=18446744073709551616", RecordFault::kBadValue},
        {"a size with a leading zero", "size=4096", "size=04096", RecordFault::kBadValue},
        {"attributes cut short", "attributes=00000021", "attributes=21", RecordFault::kBadValue},
        {"odd hex data", "data=2553", "data=253", RecordFault::kBadValue},
        {"an escape cut short", "name=odd=name %2541", "name=odd=name %2", RecordFault::kBadValue},
        {"an escaped NUL", "name=odd=name %2541", "name=odd=name %00", RecordFault::kBadValue},
        {"an escape where none is needed", "name=odd=name %2541", "name=odd=name %41", RecordFault::kBadValue},
        {"a line without a field", "size=4096", "size=4096\r\njunk", RecordFault::kBadLine},
        {"a blank line between records", "end\r\n[value]", "end\r\n\r\n[value]", RecordFault::kBadLine},
        {"a bare LF", "size=4096\r\n", "size=4096\n", RecordFault::kBadLine},
        {"an unknown section", "[value]", "[service]", RecordFault::kBadLine},
        {"a NUL in a line", "size=4096", std::string("size=40\0" "96", 10), RecordFault::kBadLine},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        std::string text = good;
        size_t at = text.find(row.from);
        if (at == std::string::npos) {
            FAIL_CHECK("the row's text is not in the file");
            continue;
        }
        text.replace(at, row.from.size(), row.to);
        Collect collect;
        RecordFileSummary summary = Read(text, &collect);
        CHECK(summary.fault == row.fault);
        CHECK(summary.faultLine > 0);
        // A fault anywhere refuses the file: a caller acts only after a clean first reading.
        CHECK(std::string(RecordFaultText(summary.fault)).size() > 0);
    }
}

TEST_CASE("a records file cut by a stop mid-write keeps every whole record")
{
    auto file = KeptFile();
    auto value = RunValue();
    const std::string one = WriteFile({file.get()});
    const std::string both = WriteFile({file.get(), value.get()});
    const size_t header = WriteFile({}).size();
    for (size_t cut = header; cut < both.size(); ++cut) {
        INFO("cut at " << cut);
        Collect collect;
        RecordFileSummary summary = Read(both.substr(0, cut), &collect);
        CHECK(summary.fault == RecordFault::kNone);
        size_t whole = cut >= one.size() ? 1 : 0;
        CHECK(collect.records.size() == whole);
        CHECK(summary.cutTail == (cut != header && cut != one.size()));
    }
    for (size_t cut = 0; cut < header; ++cut) {
        INFO("header cut at " << cut);
        CHECK(Read(both.substr(0, cut)).fault == RecordFault::kBadHeader);
    }
}

TEST_CASE("a visitor that stops ends the reading as a fault")
{
    class StopAtFirst : public RecordVisitor {
    public:
        bool Record(const QuarantineRecord&) override
        {
            ++seen;
            return false;
        }
        int seen = 0;
    } stop;
    auto file = KeptFile();
    const std::string text = WriteFile({file.get(), file.get()});
    MemoryReader reader(text.data(), text.size());
    RecordFileSummary summary;
    CHECK_FALSE(ReadRecordFile(reader, summary, &stop));
    CHECK(summary.fault == RecordFault::kStopped);
    CHECK(stop.seen == 1);
}
