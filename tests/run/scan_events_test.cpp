// The Event Log events a scan's results, start and end become: ID, type and insertion strings.
#include <doctest.h>

#include <string>
#include <vector>

#include "run/scan_events.h"

namespace {

const ScanEventSource kSource = {"1.0", "20261210-100738"};

std::vector<std::string> StringsOf(const ScanEvent& event)
{
    std::vector<std::string> strings;
    for (uint16_t i = 0; i < event.stringCount; ++i)
        strings.push_back(event.strings[i]);
    return strings;
}

}  // namespace

TEST_CASE("each kind of result is its event, with the object, the detection and the action")
{
    struct Row {
        const char* label;
        ScanResult result;
        bool isEvent;
        uint16_t id, type;
    } rows[] = {
        {"a removed file", {ResultKind::kFileRemoved, "C:\\a\\x.exe     N removed", "C:\\a\\x.exe", "N", "removed"},
         true, 110, kEventWarning},
        {"a file waiting for the restart",
         {ResultKind::kFileWaitsRestart, "l", "C:\\held.exe", "N", "Unable to remove, deleted at the next restart"},
         true, 111, kEventWarning},
        {"a file left", {ResultKind::kFileLeft, "l", "C:\\left.exe", "N", "Unable to remove"}, true, 112, kEventError},
        {"a file kept as chosen", {ResultKind::kFileKept, "l", "C:\\k.exe", "N", "kept"}, true, 113, kEventWarning},
        {"a process ended", {ResultKind::kMemoryRemoved, "l", "C:\\run.exe", "W32/KYR.Trojan", "removed"}, true, 115,
         kEventWarning},
        {"an autostart value",
         {ResultKind::kAutostartRemoved, "l", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\MsSys", "N",
          "removed"},
         true, 120, kEventWarning},
        {"a service", {ResultKind::kServiceRemoved, "l", "mssys", "N", "stopped and removed"}, true, 120, kEventWarning},
        {"a refusal", {ResultKind::kRefused, nullptr, "process 12 (x.exe)", "", "not ended: it runs C:\\o\\x.exe"},
         true, 130, kEventInformation},
        {"a note", {ResultKind::kNote, "Scanning statistics", "", "", ""}, false, 0, 0},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        ScanEvent event;
        CHECK(EventForResult(kSource, row.result, event) == row.isEvent);
        if (!row.isEvent)
            continue;
        CHECK(event.id == row.id);
        CHECK(event.type == row.type);
        CHECK(StringsOf(event) ==
              std::vector<std::string>{"1.0", "20261210-100738", row.result.object, row.result.detection, row.result.action});
    }
}

TEST_CASE("the start event says how the scan runs and where its report goes")
{
    ScanEvent event;
    EventForStart(kSource, ScanStartFacts{true, "20261210-100738", "Windows 5.1 build 2600", true, "\\\\srv\\t$\\PC1.log"},
                  event);
    CHECK(event.id == 100);
    CHECK(event.type == kEventInformation);
    CHECK(StringsOf(event) == std::vector<std::string>{"1.0", "20261210-100738", "", "", "scan started", "quiet run",
                                                       "Windows 5.1 build 2600", "64-bit Windows, both views scanned",
                                                       "\\\\srv\\t$\\PC1.log"});
    EventForStart(kSource, ScanStartFacts{false, "", "", false, ""}, event);
    CHECK(StringsOf(event)[5] == "window run");
    CHECK(StringsOf(event)[7] == "32-bit Windows");
}

TEST_CASE("an undo's object is 140 when put back, an error 141 when not")
{
    ScanEvent event;
    EventForUndo(kSource, "C:\\inf\\seed.exe", "N", true, "put back", event);
    CHECK(event.id == 140);
    CHECK(event.type == kEventInformation);
    CHECK(StringsOf(event) == std::vector<std::string>{"1.0", "20261210-100738", "C:\\inf\\seed.exe", "N", "put back"});
    EventForUndo(kSource, "HKEY_LOCAL_MACHINE\\x\\v", nullptr, false, "not put back: a value of that name is there",
                 event);
    CHECK(event.id == 141);
    CHECK(event.type == kEventError);
    CHECK(StringsOf(event) == std::vector<std::string>{"1.0", "20261210-100738", "HKEY_LOCAL_MACHINE\\x\\v", "",
                                                       "not put back: a value of that name is there"});
}

TEST_CASE("the end event: its ID and type follow the outcome")
{
    struct Row {
        const char* label;
        bool completed, cancelled, quiet, atMemoryFind;
        RunExitCode code;
        uint16_t id, type;
        const char* action;
        const char* codeText;
    } rows[] = {
        {"clean", true, false, true, false, kExitClean, 190, kEventInformation, "scan completed", "exit code 0"},
        {"all removed", true, false, true, false, kExitRemoved, 190, kEventWarning, "scan completed", "exit code 1"},
        {"waits for a restart, window run", true, false, false, false, kExitRestartPending, 190, kEventWarning,
         "scan completed", "a quiet run would end with 2"},
        {"something left", true, false, true, false, kExitLeftBehind, 190, kEventError, "scan completed", "exit code 3"},
        {"a file not opened", true, false, true, false, kExitIncomplete, 190, kEventWarning, "scan completed", "exit code 4"},
        {"cancelled", false, true, false, false, kExitIncomplete, 191, kEventError, "scan cancelled",
         "a quiet run would end with 4"},
        {"stopped at a find in memory", false, false, false, true, kExitIncomplete, 191, kEventError,
         "scan stopped at a find in memory", "a quiet run would end with 4"},
        {"aborted", false, false, true, false, kExitIncomplete, 191, kEventError, "scan did not complete", "exit code 4"},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        ScanEndFacts facts{row.completed, row.cancelled, row.quiet, row.code, 1036, 3, 1, 1, 1, 2,
                           "C:\\WINDOWS\\Tarvex.log", row.atMemoryFind};
        ScanEvent event;
        EventForEnd(kSource, facts, event);
        CHECK(event.id == row.id);
        CHECK(event.type == row.type);
        CHECK(StringsOf(event) == std::vector<std::string>{"1.0", "20261210-100738", "", "", row.action, row.codeText,
                                                           "1036", "3", "1", "1", "1", "2", "C:\\WINDOWS\\Tarvex.log"});
    }
}

TEST_CASE("a string too long for the event is cut, never overrun")
{
    std::string longPath(kEventStringSize + 40, 'p');
    ScanEvent event;
    CHECK(EventForResult(kSource, ScanResult{ResultKind::kFileRemoved, "", longPath.c_str(), "N", "removed"}, event));
    CHECK(std::string(event.strings[kStringObject]) == longPath.substr(0, kEventStringSize - 1));
    CHECK(std::string(event.strings[kStringDetection]) == "N");
}
