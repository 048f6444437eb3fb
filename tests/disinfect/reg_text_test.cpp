// The REGEDIT4 text of a scan's registry changes: each value in the form regedit gives back
// exactly, keys of the 32-bit view spelt for the 64-bit regedit, hex wrapped as regedit wraps it.
#include <doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "disinfect/reg_text.h"
#include "tests/lib/string_sink.h"

namespace {

const char kRunKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::unique_ptr<QuarantineRecord> Value(const char* key, const char* name, uint32_t type, const std::string& data,
                                        RegistryView view = kViewOnly)
{
    auto r = std::make_unique<QuarantineRecord>();
    ClearRecord(*r, RecordKind::kValue);
    r->view = view;
    std::strcpy(r->key, key);
    std::strcpy(r->valueName, name);
    r->valueType = type;
    std::memcpy(r->data, data.data(), data.size());
    r->dataSize = static_cast<uint32_t>(data.size());
    return r;
}

std::string ValueLine(const QuarantineRecord& record)
{
    StringSink sink;
    RegFileWriter writer(sink);
    CHECK(writer.Add(record));
    std::string text = sink.text;
    size_t at = text.find("]\r\n");
    return at == std::string::npos ? text : text.substr(at + 3);
}

}  // namespace

TEST_CASE("each value in the form that gives it back exactly")
{
    using std::string;
    struct Row {
        const char* label;
        const char* name;
        uint32_t type;
        string data;
        string line;
    } rows[] = {
        {"a path string", "seed", 1, string("C:\\many\\seed.exe\0", 17), "\"seed\"=\"C:\\\\many\\\\seed.exe\"\r\n"},
        {"quotes in name and data", "a \"b\"", 1, string("say \"x\"\0", 8), "\"a \\\"b\\\"\"=\"say \\\"x\\\"\"\r\n"},
        {"the default value", "", 1, string("x\0", 2), "@=\"x\"\r\n"},
        {"an empty string", "e", 1, string("\0", 1), "\"e\"=\"\"\r\n"},
        {"8-bit text stays text", "n", 1, string("caf\xE9\0", 5), "\"n\"=\"caf\xE9\"\r\n"},
        {"a string without its terminator", "t", 1, "ab", "\"t\"=hex(1):61,62\r\n"},
        {"a string with a line end", "t", 1, string("a\r\nb\0", 5), "\"t\"=hex(1):61,0d,0a,62,00\r\n"},
        {"a string with a NUL inside", "t", 1, string("a\0b\0", 4), "\"t\"=hex(1):61,00,62,00\r\n"},
        {"no data at all", "t", 1, "", "\"t\"=hex(1):\r\n"},
        {"expandable", "x", 2, string("%SystemRoot%\\a\0", 15),
         "\"x\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,61,00\r\n"},
        {"multi-string", "m", 7, string("A\0B\0\0", 5), "\"m\"=hex(7):41,00,42,00,00\r\n"},
        {"dword", "Start", 4, string("\x02\x00\x00\x00", 4), "\"Start\"=dword:00000002\r\n"},
        {"dword, high bytes", "d", 4, string("\x78\x56\x34\xF2", 4), "\"d\"=dword:f2345678\r\n"},
        {"a dword of three bytes", "d", 4, string("\x01\x02\x03", 3), "\"d\"=hex(4):01,02,03\r\n"},
        {"binary", "b", 3, string("\x00\xFF", 2), "\"b\"=hex:00,ff\r\n"},
        {"empty binary", "b", 3, "", "\"b\"=hex:\r\n"},
        {"no type", "n", 0, "z", "\"n\"=hex(0):7a\r\n"},
        {"qword", "q", 11, string(8, '\x01'), "\"q\"=hex(b):01,01,01,01,01,01,01,01\r\n"},
        {"a type of our own", "o", 0x10000, "", "\"o\"=hex(10000):\r\n"},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        CHECK(ValueLine(*Value(kRunKey, row.name, row.type, row.data)) == row.line);
    }
}

TEST_CASE("long hex wraps as regedit wraps it, and unwraps to the same bytes")
{
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>(i);
    for (const char* name : {"", "a name of some length to move the first break"}) {
        INFO(std::string(name));
        std::string text = ValueLine(*Value(kRunKey, name, 3, data));
        std::string joined;
        size_t start = 0;
        bool first = true;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            std::string line = text.substr(start, end - start);
            CHECK(line.size() <= 80);
            if (!first)
                CHECK(line.compare(0, 2, "  ") == 0);
            bool more = !line.empty() && line.back() == '\\';
            joined += first ? line : line.substr(2);
            if (more)
                joined.pop_back();
            first = false;
            start = end + 2;
        }
        std::string expected = (name[0] ? "\"" + std::string(name) + "\"" : "@") + "=hex:";
        for (int i = 0; i < 300; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof(pair), i + 1 < 300 ? "%02x," : "%02x", i & 0xFF);
            expected += pair;
        }
        CHECK(joined == expected);
    }
}

TEST_CASE("a whole file: keys open once, a removed key opens its own section, views spelt for regedit")
{
    auto run32 = Value(kRunKey, "seed", 1, std::string("C:\\seed.exe\0", 12), kView32);
    auto run32b = Value(kRunKey, "seed2", 1, std::string("C:\\seed.exe\0", 12), kView32);
    auto run64 = Value(kRunKey, "seed", 1, std::string("C:\\seed.exe\0", 12), kView64);
    auto serviceKey = std::make_unique<QuarantineRecord>();
    ClearRecord(*serviceKey, RecordKind::kKey);
    std::strcpy(serviceKey->key, "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\seed");
    serviceKey->view = kView64;
    auto start = Value(serviceKey->key, "Start", 4, std::string("\x02\0\0\0", 4), kView64);
    auto undo = std::make_unique<QuarantineRecord>();
    ClearRecord(*undo, RecordKind::kUndo);

    StringSink sink;
    RegFileWriter writer(sink);
    CHECK(writer.Begin());
    for (const QuarantineRecord* r : {run32.get(), run32b.get(), run64.get(), serviceKey.get(), start.get(), undo.get()})
        CHECK(writer.Add(*r));
    CHECK(writer.End());
    CHECK(sink.text ==
          "REGEDIT4\r\n"
          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
          "\"seed\"=\"C:\\\\seed.exe\"\r\n"
          "\"seed2\"=\"C:\\\\seed.exe\"\r\n"
          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
          "\"seed\"=\"C:\\\\seed.exe\"\r\n"
          "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\seed]\r\n"
          "\"Start\"=dword:00000002\r\n"
          "\r\n");
}

TEST_CASE("which keys the 64-bit regedit must see under Wow6432Node")
{
    struct Row {
        const char* key;
        RegistryView view;
        const char* name;
    } rows[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\x", kView32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\x"},
        {"HKEY_LOCAL_MACHINE\\Software", kView32, "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node"},
        {"HKEY_LOCAL_MACHINE\\Software\\x", kView64, "HKEY_LOCAL_MACHINE\\Software\\x"},
        {"HKEY_LOCAL_MACHINE\\Software\\x", kViewOnly, "HKEY_LOCAL_MACHINE\\Software\\x"},
        {"HKEY_LOCAL_MACHINE\\SoftwareX\\x", kView32, "HKEY_LOCAL_MACHINE\\SoftwareX\\x"},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\x", kView32, "HKEY_LOCAL_MACHINE\\SYSTEM\\x"},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.key));
        QuarantineRecord record;
        ClearRecord(record, RecordKind::kKey);
        std::strcpy(record.key, row.key);
        record.view = row.view;
        char name[kRegistryKeySize + 16];
        CHECK(RegFileKeyName(record, name, sizeof(name)));
        CHECK(std::string(name) == row.name);
    }
}
