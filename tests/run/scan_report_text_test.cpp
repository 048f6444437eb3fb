// The scan report's text: record lines, the passed-over section's bookkeeping and the rotation rule.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "run/scan_report_text.h"

namespace {

const ReportClock kClock = {2026, 3, 7, 9, 5, 2};

WindowsVersion Version(uint32_t major, uint32_t minor, uint32_t build, uint32_t platformId, const char* servicePack)
{
    WindowsVersion v = {};
    v.major = major;
    v.minor = minor;
    v.build = build;
    v.platformId = platformId;
    CopyText(v.servicePack, sizeof(v.servicePack), servicePack);
    return v;
}

void Collect(void* context, const char* line)
{
    static_cast<std::vector<std::string>*>(context)->push_back(line);
}

}  // namespace

TEST_CASE("the start line names the time, the product, the version as reported and both codes")
{
    WindowsVersion xp = Version(5, 1, 2600, 2, "Service Pack 3");
    WindowsVersion me = Version(4, 90, 0x045A0BB8, 1, " ");
    WindowsVersion seven = Version(6, 1, 7601, 2, "");
    struct Row {
        const char* label;
        const WindowsVersion* version;
        int platform, nt;
        const char* expected;
        bool wow64;
    } rows[] = {
        {"NT family with a service pack", &xp, 5, 6,
         "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows 5.1 build 2600 Service Pack 3 (platform id 2)  "
         "platform code 5, NT version code 6", false},
        {"95/98/ME: the build is the low word", &me, 4, 0,
         "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows 4.90 build 3000   (platform id 1)  "
         "platform code 4, NT version code 0", false},
        {"no service pack text", &seven, 5, 0,
         "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows 6.1 build 7601 (platform id 2)  "
         "platform code 5, NT version code 0", false},
        {"version unknown", nullptr, 0, 0,
         "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows version unknown  platform code 0, NT version code 0", false},
        {"under WOW64 it says what was scanned", &seven, 5, 0,
         "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows 6.1 build 7601 (platform id 2)  "
         "platform code 5, NT version code 0  64-bit Windows, both views scanned",
         true},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char line[kReportLineChars];
        CHECK(FormatReportStart(line, sizeof(line), kClock, "Tarvex Ver 1.0", row.version, row.platform, row.nt,
                                row.wow64));
        CHECK(std::string(line) == row.expected);
    }
}

TEST_CASE("a service pack text without a terminator is cut at its buffer")
{
    WindowsVersion v = Version(5, 0, 2195, 2, "");
    std::memset(v.servicePack, 'S', sizeof(v.servicePack));
    char line[kReportLineChars];
    FormatReportStart(line, sizeof(line), kClock, "T", &v, 5, 6);
    CHECK(std::string(line).find(std::string(sizeof(v.servicePack) - 1, 'S') + " (platform id 2)") != std::string::npos);
}

TEST_CASE("end, question and answer lines")
{
    char line[kReportLineChars];
    FormatReportEnd(line, sizeof(line), kClock, kEndScanRun);
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  End of scan");
    FormatReportEnd(line, sizeof(line), kClock, kEndMemoryFind);
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  End of scan: the program ends after the find in memory");
    FormatReportQuestion(line, sizeof(line), "Restart?");
    CHECK(std::string(line) == "Question: Restart?");
    struct Row {
        int answer;
        const char* expected;
    } rows[] = {{1, "Answer: OK"}, {2, "Answer: Cancel"}, {6, "Answer: Yes"}, {7, "Answer: No"},
                {-1, "Answer: none, the question could not be shown"}, {3, "Answer: button 3"}};
    for (const Row& row : rows) {
        INFO("answer " << row.answer);
        FormatReportAnswer(line, sizeof(line), row.answer);
        CHECK(std::string(line) == row.expected);
    }
}

TEST_CASE("file lines end in CR LF, keep tabs, and fold inner line breaks")
{
    struct Row {
        const char* label;
        std::string text;
        size_t destSize;
        std::string expected;
    } rows[] = {
        {"empty", "", 16, "\r\n"},
        {"tabs kept", "Total files scanned\t\t:  7", 64, "Total files scanned\t\t:  7\r\n"},
        {"8-bit characters kept", "C:\\caf\xe9.exe", 64, "C:\\caf\xe9.exe\r\n"},
        {"question's line breaks", "a \n\n b\r", 64, "a    b \r\n"},
        {"exact fit", "abcd", 7, "abcd\r\n"},
        {"one byte over: cut, line end kept", "abcde", 7, "abcd\r\n"},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        std::vector<char> dest(row.destSize, '#');
        size_t n = MakeReportFileLine(dest.data(), dest.size(), row.text.c_str());
        CHECK(std::string(dest.data(), n) == row.expected);
        CHECK(dest[n] == '\0');
    }
    char tiny[2];
    CHECK(MakeReportFileLine(tiny, sizeof(tiny), "x") == 0);
}

TEST_CASE("the passed-over section: every count, the first 20 paths of a kind, how many more")
{
    static WalkSkipPaths list;  // large: kept off the stack
    list = WalkSkipPaths{};
    int32_t counts[kWalkSkipKinds] = {};
    for (int i = 0; i < 23; ++i) {
        std::string path = "C:\\deep\\p" + std::to_string(i);
        counts[kSkipTooLong] += 1;
        KeepWalkSkipPath(list, kSkipTooLong, path.c_str());
    }
    counts[kSkipLink] = 1;
    KeepWalkSkipPath(list, kSkipLink, "C:\\loop");
    KeepWalkSkipPath(list, -1, "C:\\bad kind");
    KeepWalkSkipPath(list, kWalkSkipKinds, "C:\\bad kind");
    std::string longPath(400, 'L');
    counts[kSkipOffline] = 1;
    KeepWalkSkipPath(list, kSkipOffline, longPath.c_str());
    counts[kSkipTooDeep] = 1;
    KeepWalkSkipPath(list, kSkipTooDeep, "C:\\d\\d\\d");

    std::vector<std::string> lines;
    BuildWalkSkipSection(counts, list, Collect, &lines);
    std::vector<std::string> expected = {"Entries passed over by the walk", "Paths too long\t\t:  23"};
    for (int i = 0; i < 20; ++i)
        expected.push_back("\tC:\\deep\\p" + std::to_string(i));
    expected.push_back("\tand 3 more");
    expected.push_back("Names without an 8-bit spelling\t\t:  0");
    expected.push_back("Folder links not entered\t\t:  1");
    expected.push_back("\tC:\\loop");
    expected.push_back("Folders that could not be listed\t\t:  0");
    expected.push_back("Offline files not opened\t\t:  1");
    expected.push_back("\t" + longPath.substr(0, kPathSize - 1));
    expected.push_back("Folders below the depth bound\t\t:  1");
    expected.push_back("\tC:\\d\\d\\d");
    expected.push_back("Names ending in a dot or a space\t\t:  0");
    CHECK(lines == expected);
}

TEST_CASE("a report is set aside only when it is over 1 MiB")
{
    struct Row {
        uint64_t bytes;
        bool rotate;
    } rows[] = {{0, false}, {1048575, false}, {1048576, false}, {1048577, true}, {uint64_t(5) << 32, true}};
    for (const Row& row : rows) {
        INFO("bytes " << row.bytes);
        CHECK(ReportNeedsRotation(row.bytes) == row.rotate);
    }
}

TEST_CASE("the end line with the outcome of the run")
{
    char line[kReportLineChars];
    FormatReportEnd(line, sizeof(line), kClock, kEndScanRun, "exit code 1  scanned 5");
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  End of scan  exit code 1  scanned 5");
    FormatReportEnd(line, sizeof(line), kClock, kEndMemoryFind, "x");
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  End of scan: the program ends after the find in memory  x");
    FormatReportEnd(line, sizeof(line), kClock, kEndScanRun, "");
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  End of scan");
}

TEST_CASE("where a full report is set aside")
{
    struct Row {
        const char* path;
        const char* expected;
    } rows[] = {
        {"C:\\WINDOWS\\Tarvex.log", "C:\\WINDOWS\\Tarvex.old.log"},
        {"\\\\server\\tarvex$\\PC1.log", "\\\\server\\tarvex$\\PC1.old.log"},
        {"C:\\logs.d\\report", "C:\\logs.d\\report.old"},
        {"C:\\a\\r.2026.txt", "C:\\a\\r.2026.old.txt"},
        {"r.log", "r.old.log"},
        {"D:r", "D:r.old"},
    };
    for (const Row& row : rows) {
        INFO(row.path);
        char old[kPathSize];
        CHECK(MakeOldReportPath(old, sizeof(old), row.path));
        CHECK(std::string(old) == row.expected);
    }
    char small[12];
    CHECK_FALSE(MakeOldReportPath(small, sizeof(small), "C:\\Tarvex.log"));
}

TEST_CASE("a new record starts on a line of its own after a report cut off mid-line")
{
    struct Row {
        const char* label;
        const char* tail;
        bool needsBreak;
    };
    const Row rows[] = {
        {"empty file", "", false},
        {"ends with CR LF", "\r\n", false},
        {"cut mid-line", "ab", true},
        {"cut between CR and LF", "x\r", true},
        {"LF alone", "x\n", true},
        {"one byte", "a", true},
        {"a lone CR LF pair reversed", "\n\r", true},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(ReportNeedsLineBreak(reinterpret_cast<const uint8_t*>(row.tail), std::strlen(row.tail)) ==
              row.needsBreak);
    }
}

TEST_CASE("files that could not be opened: the count, the first 20 paths, how many more")
{
    static UnopenedPaths list;  // large: kept off the stack
    struct Row {
        const char* label;
        int32_t count;
        std::vector<std::string> expected;
    } rows[] = {
        {"none", 0, {"Files that could not be opened\t\t:  0"}},
        {"one", 1, {"Files that could not be opened\t\t:  1", "\tC:\\inf\\held0.exe"}},
        {"twenty-two", 22, {}},
    };
    rows[2].expected.push_back("Files that could not be opened\t\t:  22");
    for (int i = 0; i < 20; ++i)
        rows[2].expected.push_back("\tC:\\inf\\held" + std::to_string(i) + ".exe");
    rows[2].expected.push_back("\tand 2 more");
    for (const Row& row : rows) {
        INFO(row.label);
        list = UnopenedPaths{};
        for (int32_t i = 0; i < row.count; ++i)
            KeepUnopenedPath(list, ("C:\\inf\\held" + std::to_string(i) + ".exe").c_str());
        CHECK(list.kept == (row.count < kReportedSkipPaths ? row.count : kReportedSkipPaths));
        std::vector<std::string> lines;
        BuildUnopenedLines(row.count, list, Collect, &lines);
        CHECK(lines == row.expected);
    }
    list = UnopenedPaths{};
    KeepUnopenedPath(list, nullptr);
    CHECK(list.kept == 0);
}

TEST_CASE("a held report's line is waited for in short steps, 2 s in all over one record")
{
    struct Row {
        const char* label;
        int32_t spentBefore;
        int32_t pauses;      // how many pauses until the budget is spent
        int32_t lastPause;
    } rows[] = {
        {"a fresh record", 0, kReportRetryMs / kReportRetryStepMs, kReportRetryStepMs},
        {"half spent", kReportRetryMs / 2, kReportRetryMs / 2 / kReportRetryStepMs, kReportRetryStepMs},
        {"less than a step left", kReportRetryMs - 20, 1, 20},
        {"all spent", kReportRetryMs, 0, 0},
        {"a spent count that cannot be", -5, 0, 0},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        int32_t spent = row.spentBefore;
        int32_t pauses = 0;
        int32_t last = 0;
        int32_t total = 0;
        for (int32_t pause; (pause = NextReportRetryPause(spent)) > 0 && pauses < 1000;) {
            CHECK(pause <= kReportRetryStepMs);
            ++pauses;
            total += pause;
            last = pause;
        }
        CHECK(pauses == row.pauses);
        CHECK(last == row.lastPause);
        if (row.spentBefore >= 0)
            CHECK(row.spentBefore + total == (row.pauses > 0 ? kReportRetryMs : row.spentBefore));
        CHECK(NextReportRetryPause(spent) == 0);  // and it stays spent
    }
    CHECK(kReportRetryMs == 2000);
}

TEST_CASE("the outcome of the end line")
{
    char text[160];
    FormatOutcome(text, sizeof(text), true, kExitRestartPending, 1036, 2, 1, 1);
    CHECK(std::string(text) == "exit code 2  scanned 1036, infected 2, removed 1, waiting for restart 1");
    FormatOutcome(text, sizeof(text), false, kExitClean, 10, 0, 0, 0);
    CHECK(std::string(text) ==
          "window run, a quiet run would end with 0  scanned 10, infected 0, removed 0, waiting for restart 0");
}

TEST_CASE("the end line names the files that could not be opened, only when there were some")
{
    char text[160];
    FormatOutcome(text, sizeof(text), true, kExitIncomplete, 12, 0, 0, 0, 1);
    CHECK(std::string(text) == "exit code 4  scanned 12, infected 0, removed 0, waiting for restart 0, not opened 1");
    FormatOutcome(text, sizeof(text), false, kExitIncomplete, 12, 1, 1, 0, 2);
    CHECK(std::string(text) ==
          "window run, a quiet run would end with 4  scanned 12, infected 1, removed 1, waiting for restart 0, not opened 2");
    FormatOutcome(text, sizeof(text), true, kExitClean, 12, 0, 0, 0, 0);
    CHECK(std::string(text) == "exit code 0  scanned 12, infected 0, removed 0, waiting for restart 0");
}

TEST_CASE("the start line names the scan's ID before the platform codes")
{
    WindowsVersion xp = Version(5, 1, 2600, 2, "Service Pack 3");
    char line[kReportLineChars];
    CHECK(FormatReportStart(line, sizeof(line), kClock, "Tarvex Ver 1.0", &xp, 5, 6, false, "20260307-090502-2"));
    CHECK(std::string(line) == "==== 2026-03-07 09:05:02  Tarvex Ver 1.0  Windows 5.1 build 2600 Service Pack 3 "
                               "(platform id 2)  Scan ID 20260307-090502-2  platform code 5, NT version code 6");
    CHECK(FormatReportStart(line, sizeof(line), kClock, "T", &xp, 5, 6, false, ""));
    CHECK(std::string(line).find("Scan ID") == std::string::npos);
}

TEST_CASE("a scan's ID is its start time, counted on when the previous scan began in the same second")
{
    struct Row {
        const char* label;
        const char* previous;
        const char* expected;
    } rows[] = {
        {"no previous scan", nullptr, "20260307-090502"},
        {"an empty report", "", "20260307-090502"},
        {"the previous scan a second earlier", "20260307-090501", "20260307-090502"},
        {"the same second", "20260307-090502", "20260307-090502-2"},
        {"the same second, counted already", "20260307-090502-9", "20260307-090502-10"},
        {"another time that begins alike", "20260307-0905021", "20260307-090502"},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        char id[kScanIdSize];
        CHECK(MakeScanId(id, sizeof(id), kClock, row.previous));
        CHECK(std::string(id) == row.expected);
    }
}

TEST_CASE("the last scan ID in a report's tail")
{
    struct Row {
        const char* label;
        std::string tail;
        const char* expected;
    } rows[] = {
        {"none", "filler\r\n==== 2026-03-07 09:05:02  End of scan\r\n", ""},
        {"the last of two",
         "==== x  Windows 5.1  Scan ID 20260307-090500  platform code 5\r\n==== y  Windows 5.1  Scan ID "
         "20260307-090502-3  platform code 5\r\nC:\\a.exe     N removed\r\n",
         "20260307-090502-3"},
        {"cut right after the label", "==== x  Scan ID ", ""},
        {"cut inside the ID", "==== x  Scan ID 2026030", "2026030"},
        {"empty", "", ""},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        char id[kScanIdSize] = "stale";
        CHECK(FindLastScanId(row.tail.data(), row.tail.size(), id, sizeof(id)) == (row.expected[0] != '\0'));
        CHECK(std::string(id) == row.expected);
    }
}
