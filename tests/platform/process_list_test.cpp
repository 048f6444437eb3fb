// Matching rules of the termination techniques and the performance-data reader, on synthetic data.
#include <doctest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process_list.h"

namespace {

TEST_CASE("each technique matches a process to the file its own way")
{
    struct Row {
        const char* label;
        const char* processPath;  // szExeFile / module path
        const char* file;
        bool toolhelp;
        bool psapi;
    };
    const Row rows[] = {
        {"same path", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, true},
        {"case differs", "C:\\WINNT\\system32\\mssys.exe", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, true},
        // A path in szExeFile (95/98/ME) names one file: the namesake in another folder is spared.
        {"other folder", "C:\\TEMP\\mssys.exe", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", false, false},
        {"real shell, infected namesake", "C:\\WINDOWS\\EXPLORER.EXE", "C:\\TEMP\\EXPLORER.EXE", false, false},
        {"bare file name", "mssys.exe", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", true, false},
        {"\\??\\ prefix", "\\??\\C:\\WINNT\\system32\\mssys.exe", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", false, false},
        {"longer name", "C:\\TEMP\\mssys32.exe", "C:\\TEMP\\MSSYS.EXE", false, false},
        {"shorter name", "C:\\TEMP\\mssy.exe", "C:\\TEMP\\MSSYS.EXE", false, false},
        {"bare longer name", "mssys32.exe", "C:\\TEMP\\MSSYS.EXE", false, false},
        {"file without folder", "MSSYS.EXE", "mssys.exe", true, true},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        const char* forms[] = {row.file, "", ""};
        CHECK(ToolhelpNameMatches(row.processPath, forms, 3) == row.toolhelp);
        CHECK(PsapiPathMatches(row.processPath, row.file) == row.psapi);
    }
}

TEST_CASE("a process image or szExeFile matches any spelling of the file")
{
    const char* forms[] = {"C:\\PROGRA~1\\TOOLS\\UPDATE~1.EXE", "", "C:\\Program Files\\Tools\\Updater Tool.exe"};
    struct Row {
        const char* label;
        const char* image;
        bool matches;
    };
    const Row rows[] = {
        {"as given", "c:\\progra~1\\tools\\update~1.exe", true},
        {"long spelling", "C:\\PROGRAM FILES\\TOOLS\\UPDATER TOOL.EXE", true},
        {"bare long name", "Updater Tool.exe", true},
        {"bare short name", "UPDATE~1.EXE", true},
        {"empty image", "", false},
        {"other folder, same long name", "C:\\Other\\Updater Tool.exe", false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(ToolhelpNameMatches(row.image, forms, 3) == row.matches);
    }
    CHECK_FALSE(ImageIsFile("", forms, 3));
    CHECK_FALSE(ImageIsFile("Updater Tool.exe", forms, 3));
}

TEST_CASE("performance-data rows are ended only when their image is the file")
{
    // The rows a locked infected file would have ended by name prefix alone.
    struct Row {
        const char* label;
        const char* file;
        const char* instance;
        const char* image;  // null: the image could not be read
        PerfRowAction action;
    };
    const Row rows[] = {
        {"the trojan itself", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "mssys", "C:\\WINNT\\system32\\mssys.exe",
         kPerfRowTerminate},
        {"prefix namesake running the file", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "mssys32",
         "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", kPerfRowTerminate},
        {"real svchost, infected one in Temp", "C:\\Windows\\Temp\\svchost.exe", "svchost",
         "C:\\Windows\\System32\\svchost.exe", kPerfRowOtherImage},
        {"svchost image unreadable", "C:\\Windows\\Temp\\svchost.exe", "svchost", nullptr, kPerfRowNotConfirmed},
        {"s.exe against smss", "C:\\TEMP\\s.exe", "smss", "C:\\Windows\\System32\\smss.exe", kPerfRowOtherImage},
        {"s.exe against services", "C:\\TEMP\\s.exe", "services", nullptr, kPerfRowNotConfirmed},
        {"win.exe against winlogon", "C:\\TEMP\\win.exe", "winlogon", "C:\\Windows\\System32\\winlogon.exe",
         kPerfRowOtherImage},
        {"\\??\\ image never matches", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "mssys",
         "\\??\\C:\\WINNT\\system32\\mssys.exe", kPerfRowOtherImage},
        {"other name: not even read", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "svchost", nullptr, kPerfRowOther},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        char base[260];
        CHECK(MakePerfDataBaseName(row.file, base, sizeof(base)));
        const char* forms[] = {row.file, "", ""};
        CHECK(DecidePerfRow(row.instance, base, row.image, forms, 3) == row.action);
    }
}

TEST_CASE("performance-data matching uses the upper-cased name without extension as a prefix")
{
    struct Row {
        const char* label;
        const char* file;
        bool haveBase;
        const char* base;
        const char* instance;
        bool matches;
    };
    const Row rows[] = {
        {"same name", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, "MSSYS", "mssys", true},
        {"longer instance", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, "MSSYS", "MSSYS32", true},
        {"other instance", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, "MSSYS", "svchost", false},
        {"shorter instance", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, "MSSYS", "mss", false},
        {"unnamed instance", "C:\\WINNT\\SYSTEM32\\MSSYS.EXE", true, "MSSYS", "", false},
        {"four-character name part", "C:\\X\\ABCD", true, "", "abcd", false},
        {"no folder", "mssys.exe", true, "MSSYS", "mssys", true},
        {"five characters", "A.EXE", true, "A", "a", true},
        {"four characters", "A.EX", false, "", "a", false},
        {"empty path", "", false, "", "a", false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        char base[260] = "junk";
        bool haveBase = MakePerfDataBaseName(row.file, base, sizeof(base));
        CHECK(haveBase == row.haveBase);
        if (haveBase) {
            CHECK(std::string(base) == row.base);
            CHECK(TaskNameMatches(row.instance, base) == row.matches);
        }
    }
    std::string tooLong(300, 'A');
    char base[260];
    CHECK_FALSE(MakePerfDataBaseName(tooLong.c_str(), base, sizeof(base)));
}

TEST_CASE("service name is the module's file name without its last extension")
{
    const char* rows[][2] = {
        {"C:\\WINNT\\SYSTEM32\\MSSYS.EXE", "MSSYS"},
        {"C:\\a.b\\svc.tar.exe", "svc.tar"},
        {"C:\\dir.d\\noext", "noext"},
        {"plain.exe", "plain"},
    };
    for (const auto& row : rows) {
        INFO(row[0]);
        char name[260];
        CHECK(MakeServiceName(row[0], name, sizeof(name)));
        CHECK(std::string(name) == row[1]);
    }
    // No base name: no service name at all, never the empty one.
    for (const char* path : {"C:\\WINNT\\SYSTEM32\\.exe", ".exe", "C:\\dir\\", ""}) {
        INFO(path);
        char name[260];
        CHECK_FALSE(MakeServiceName(path, name, sizeof(name)));
    }
}

std::vector<uint8_t> NameList(const std::vector<std::string>& strings)
{
    std::vector<uint8_t> bytes;
    for (const std::string& s : strings) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return bytes;
}

TEST_CASE("counter name list gives the process object and its id counter")
{
    struct Row {
        const char* label;
        std::vector<std::string> strings;
        bool found;
        const char* object;
        uint32_t counter;
    };
    const Row rows[] = {
        {"usual list", {"1", "1847", "2", "System", "230", "Process", "784", "ID Process", "786", "Thread"},
         true, "230", 784},
        {"case ignored", {"230", "PROCESS", "784", "id process"}, true, "230", 784},
        {"later hit wins", {"230", "Process", "784", "ID Process", "9230", "process", "9784", "id process"},
         true, "9230", 9784},
        {"digits end the run", {"x12", "Process", "4", "ID Process"}, true, "12", 4},
        {"no id process", {"230", "Process", "786", "Thread"}, false, "230", 0},
        {"no process", {"784", "ID Process"}, false, "", 784},
        {"name first in list", {"Process", "784", "ID Process"}, false, "", 784},
        {"index not a number", {"abc", "Process", "784", "ID Process"}, false, "", 784},
        {"process name not whole", {"230", "Processes", "784", "ID Process"}, false, "", 784},
        {"empty list", {}, false, "", 0},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        std::vector<uint8_t> bytes = NameList(row.strings);
        char object[16];
        uint32_t counter = 1;
        CHECK(FindProcessCounterIndexes(bytes.data(), bytes.size(), object, sizeof(object), &counter) == row.found);
        CHECK(std::string(object) == row.object);
        CHECK(counter == row.counter);
    }
}

TEST_CASE("counter name list cut short is read only within its size")
{
    std::vector<uint8_t> full = NameList({"230", "Process", "784", "ID Process"});
    for (size_t size = 0; size <= full.size(); ++size) {
        CAPTURE(size);
        std::vector<uint8_t> cut(full.begin(), full.begin() + size);  // exact size: ASan sees a stray read
        char object[16];
        uint32_t counter = 0;
        bool found = FindProcessCounterIndexes(cut.data(), cut.size(), object, sizeof(object), &counter);
        // "ID Process" is complete once its last letter is in.
        CHECK(found == (size >= full.size() - 2));
    }
}

// Builds a performance-data answer whose first object is the process object.
struct Instance {
    std::u16string name;
    uint32_t processId;
};

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

const uint32_t kIdCounter = 784;

std::vector<uint8_t> PerfBlock(const std::vector<Instance>& instances, bool withIdCounter = true,
                               uint32_t numInstances = 0xFFFFFFFF)
{
    const size_t blockHeader = 88, objectHeader = 64, counterDef = 40;
    const uint32_t counters = 3;
    const uint32_t idOffset = 12;  // inside each counter block, after two other counters
    std::vector<uint8_t> b(blockHeader + objectHeader + counters * counterDef, 0);
    const char16_t sig[4] = {u'P', u'E', u'R', u'F'};
    for (int i = 0; i < 4; ++i)
        b[2 * i] = static_cast<uint8_t>(sig[i]);
    PutLe32(b, 24, blockHeader);
    size_t object = blockHeader;
    PutLe32(b, object + 4, objectHeader + counters * counterDef);  // DefinitionLength
    PutLe32(b, object + 8, objectHeader);                          // HeaderLength
    PutLe32(b, object + 32, counters);
    PutLe32(b, object + 40, numInstances == 0xFFFFFFFF ? static_cast<uint32_t>(instances.size()) : numInstances);
    const uint32_t titles[3] = {6, withIdCounter ? kIdCounter : 786u, 1410};
    const uint32_t offsets[3] = {4, idOffset, 8};
    for (uint32_t c = 0; c < counters; ++c) {
        size_t d = object + objectHeader + c * counterDef;
        PutLe32(b, d, counterDef);
        PutLe32(b, d + 4, titles[c]);
        PutLe32(b, d + 36, offsets[c]);
    }
    for (const Instance& inst : instances) {
        size_t start = b.size();
        size_t nameBytes = (inst.name.size() + 1) * 2;
        size_t length = (24 + nameBytes + 7) / 8 * 8;
        b.resize(start + length, 0);
        PutLe32(b, start, static_cast<uint32_t>(length));
        PutLe32(b, start + 16, 24);
        PutLe32(b, start + 20, static_cast<uint32_t>(nameBytes));
        for (size_t i = 0; i < inst.name.size(); ++i) {
            b[start + 24 + 2 * i] = static_cast<uint8_t>(inst.name[i]);
            b[start + 24 + 2 * i + 1] = static_cast<uint8_t>(inst.name[i] >> 8);
        }
        size_t block = b.size();
        b.resize(block + 16, 0);
        PutLe32(b, block, 16);
        PutLe32(b, block + 4, 0xAAAAAAAA);
        PutLe32(b, block + idOffset, inst.processId);
    }
    PutLe32(b, 20, static_cast<uint32_t>(b.size()));
    return b;
}

// Stands in for the system's conversion: plain ASCII converts, anything above 0x7F fails.
bool AsciiOnly(const uint8_t* utf16, size_t unitCount, char* text, size_t textSize, void* calls)
{
    ++*static_cast<int*>(calls);
    if (unitCount > textSize)
        return false;
    for (size_t i = 0; i < unitCount; ++i) {
        unsigned unit = utf16[2 * i] | (utf16[2 * i + 1] << 8);
        if (unit > 0x7F)
            return false;
        text[i] = static_cast<char>(unit);
    }
    return true;
}

int Parse(const std::vector<uint8_t>& block, std::vector<TaskEntry>& tasks, int maxTasks = kMaxTasks,
          uint32_t counter = kIdCounter)
{
    tasks.assign(kMaxTasks + 1, TaskEntry{});
    int calls = 0;
    return ParseProcessObject(block.data(), block.size(), counter, tasks.data(), maxTasks, AsciiOnly, &calls);
}

TEST_CASE("process object rows: ids, names, and the names that cannot match")
{
    std::vector<uint8_t> block = PerfBlock({
        {u"Idle", 0},
        {u"mssys", 412},
        {u"sixteen_chars_ab", 413},
        {u"seventeen_chars_a", 414},
        {u"caf\u00e9", 415},
        {u"", 416},
    });
    std::vector<TaskEntry> tasks;
    CHECK(Parse(block, tasks) == 6);
    struct Row {
        uint32_t id;
        const char* name;
    };
    const Row expected[] = {
        {0xFFFFFFFEu, "Idle"}, {412, "mssys"}, {413, "sixteen_chars_ab"}, {414, ""}, {415, "unknown"}, {416, ""},
    };
    for (int i = 0; i < 6; ++i) {
        CAPTURE(i);
        CHECK(tasks[i].processId == expected[i].id);
        CHECK(std::string(tasks[i].name) == expected[i].name);
    }
}

TEST_CASE("at most 254 rows are read")
{
    std::vector<Instance> many;
    for (uint32_t i = 0; i < 300; ++i)
        many.push_back({u"p" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), 1000 + i});
    std::vector<uint8_t> block = PerfBlock(many);
    std::vector<TaskEntry> tasks;
    CHECK(Parse(block, tasks) == 254);
    CHECK(tasks[253].processId == 1253);
    CHECK(tasks[254].processId == 0);  // the 255th row stays empty
    CHECK(Parse(block, tasks, 1000) == 254);
    CHECK(Parse(block, tasks, 3) == 3);
}

TEST_CASE("malformed performance data gives no rows")
{
    const std::vector<Instance> two = {{u"mssys", 412}, {u"svchost", 500}};
    std::vector<TaskEntry> tasks;
    CHECK(Parse(PerfBlock(two), tasks) == 2);

    struct Row {
        const char* label;
        size_t at;      // where to write
        uint32_t value; // what
    };
    const size_t object = 88, instance0 = 88 + 64 + 120;
    const Row rows[] = {
        {"not PERF", 6, 'G'},
        {"header length past end", 24, 0xFFFFFFF0},
        {"object header length past end", object + 8, 0x7FFFFFFF},
        {"NumCounters past end", object + 32, 0x10000000},
        {"NumCounters wraps when multiplied", object + 32, 0xFFFFFFFF},
        {"definition length past end", object + 4, 0x80000000},
        {"instance name offset past end", instance0 + 16, 0xFFFFFFFF},
        {"instance length past end", instance0, 0x00FFFFFF},
        {"more instances than present", object + 40, 3},
        {"no instances (-1)", object + 40, 0xFFFFFFFF},
        {"counter offset past end", object + 64 + 40 + 36, 0x7FFFFFF0},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        std::vector<uint8_t> bad = PerfBlock(two);
        PutLe32(bad, row.at, row.value);
        CHECK(Parse(bad, tasks) == 0);
    }
    // A name without terminator up to the end of the buffer.
    std::vector<uint8_t> open = PerfBlock({{u"mssys", 412}});
    open.resize(88 + 64 + 120 + 24 + 6);
    CHECK(Parse(open, tasks) == 0);
    CHECK(Parse(PerfBlock(two, false), tasks) == 0);
    CHECK(Parse(PerfBlock(two), tasks, kMaxTasks, 0) == 0);
}

TEST_CASE("performance data cut at every byte never reads outside the buffer")
{
    std::vector<uint8_t> full = PerfBlock({{u"mssys", 412}, {u"svchost", 500}});
    std::vector<TaskEntry> tasks;
    for (size_t size = 0; size < full.size(); ++size) {
        CAPTURE(size);
        std::vector<uint8_t> cut(full.begin(), full.begin() + size);
        // Even one byte short the last id (the final four bytes) is missing: no rows at all.
        CHECK(Parse(cut, tasks) == 0);
    }
}

}  // namespace

namespace {

// A performance-data source whose answer needs `needed` bytes (or that always wants more).
struct Source {
    uint32_t needed;
    bool fails;
    int calls = 0;
    uint32_t lastOffered = 0;
};

PerfQueryStatus AnswerOfSize(void* context, uint8_t* buffer, uint32_t* size)
{
    Source& source = *static_cast<Source*>(context);
    ++source.calls;
    source.lastOffered = *size;
    if (source.fails)
        return kPerfQueryFailed;
    if (*size < source.needed)
        return kPerfQueryMoreData;
    buffer[source.needed - 1] = 0x5A;  // ASan reports a buffer shorter than offered
    *size = source.needed;
    return kPerfQueryDone;
}

TEST_CASE("the performance-data buffer grows in steps up to its bound")
{
    const uint32_t maxSteps = (kPerfDataMaxSize - kPerfDataFirstSize) / kPerfDataGrowth;
    const uint32_t largest = kPerfDataFirstSize + maxSteps * kPerfDataGrowth;
    struct Row {
        const char* label;
        uint32_t needed;
        bool fails;
        bool answered;
        int calls;
    };
    const Row rows[] = {
        {"fits the first buffer", 100, false, true, 1},
        {"exactly the first buffer", kPerfDataFirstSize, false, true, 1},
        {"one byte more: one growth", kPerfDataFirstSize + 1, false, true, 2},
        {"largest buffer allowed", largest, false, true, static_cast<int>(maxSteps) + 1},
        {"beyond the bound: unreadable", largest + 1, false, false, static_cast<int>(maxSteps) + 1},
        {"always more data: stops at the bound", 0xFFFFFFFF, false, false, static_cast<int>(maxSteps) + 1},
        {"query fails", 100, true, false, 1},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        Source source{row.needed, row.fails};
        uint32_t size = 1;
        uint8_t* answer = QueryPerfData(AnswerOfSize, &source, &size);
        CHECK((answer != nullptr) == row.answered);
        CHECK(source.calls == row.calls);
        CHECK(source.lastOffered <= kPerfDataMaxSize);
        CHECK(size == (row.answered ? row.needed : 0));
        std::free(answer);
    }
}

PerfQueryStatus EmptyAnswer(void*, uint8_t*, uint32_t* size)
{
    *size = 0;
    return kPerfQueryDone;
}

TEST_CASE("an empty performance-data answer is unreadable")
{
    uint32_t size = 1;
    CHECK(QueryPerfData(EmptyAnswer, nullptr, &size) == nullptr);
    CHECK(size == 0);
}

}  // namespace
