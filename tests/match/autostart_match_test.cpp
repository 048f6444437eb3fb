// Which autostart commands start a detected file, and when a remembered value goes again.
#include <doctest.h>

#include "match/autostart_match.h"

namespace {

TEST_CASE("a bare command names the file only as its whole program name")
{
    struct Row {
        const char* label;
        const char* data;  // lower-cased, as the cleanup hands it over
        const char* path;
        bool names;
    };
    const Row rows[] = {
        {"file name", "mssys.exe", "c:\\windows\\system\\mssys.exe", true},
        {"with arguments", "mssys.exe -s", "c:\\windows\\system\\mssys.exe", true},
        {"quoted", "\"mssys.exe\"", "c:\\windows\\system\\mssys.exe", true},
        {"quoted with arguments", "\"mssys.exe\" /tray", "c:\\windows\\system\\mssys.exe", true},
        {"without extension", "mssys", "c:\\windows\\system\\mssys.exe", true},
        {"without extension, arguments", "mssys -q", "c:\\windows\\system\\mssys.exe", true},
        {"substring: ctfmon is not mon", "ctfmon.exe", "c:\\windows\\system32\\mon.exe", false},
        {"longer name", "mssys32.exe", "c:\\windows\\system\\mssys.exe", false},
        {"only an argument names it", "rundll32.exe mssys.exe", "c:\\windows\\system\\mssys.exe", false},
        {"name with other extension", "mssys.dll", "c:\\windows\\system\\mssys.exe", false},
        {"empty data", "", "c:\\windows\\system\\mssys.exe", false},
        {"empty command", "\"\" mssys.exe", "c:\\windows\\system\\mssys.exe", false},
        {"rooted path of the file", "\\windows\\system\\mssys.exe", "c:\\windows\\system\\mssys.exe", true},
        {"rooted path elsewhere", "\\temp\\mssys.exe", "c:\\windows\\system\\mssys.exe", false},
        {"file name without extension in path", "mssys", "c:\\windows\\system\\mssys", true},
        {"path without folder", "mssys.exe", "mssys.exe", false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(BareCommandNamesFile(row.data, row.path) == row.names);
    }
}

TEST_CASE("both rules over the file's spellings")
{
    const char* system[] = {"c:\\windows\\system32\\mon.exe", "", ""};
    const char* temp[] = {"c:\\temp\\mssys.exe", "", ""};
    const char* spelled[] = {"c:\\progra~1\\tools\\update~1.exe", "", "c:\\program files\\tools\\updater tool.exe"};
    struct Row {
        const char* label;
        const char* data;
        const char* expanded;  // null: the expansion could not be made
        const char* const* forms;
        AutostartMatch match;
    };
    const Row rows[] = {
        {"ctfmon stays", "ctfmon.exe", "ctfmon.exe", system, kStartsOther},
        {"mon goes", "mon.exe", "mon.exe", system, kStartsByName},
        {"bare name outside system folders", "mssys.exe", "mssys.exe", temp, kBareNameOutsideSystem},
        {"path with arguments", "c:\\temp\\mssys.exe -s", "c:\\temp\\mssys.exe -s", temp, kStartsByPath},
        {"path prefix (.bak)", "c:\\temp\\mssys.exe.bak", "c:\\temp\\mssys.exe.bak", temp, kStartsByPath},
        {"quoted long spelling", "\"c:\\program files\\tools\\updater tool.exe\" /t", "", spelled, kStartsByPath},
        {"expanded text", "%x%\\mssys.exe", "c:\\temp\\mssys.exe", temp, kStartsByPath},
        {"expansion too long: raw data still tested", "c:\\temp\\mssys.exe %path%%path%", nullptr, temp,
         kStartsByPath},
        {"expansion too long, other program", "c:\\x\\other.exe %path%", nullptr, temp, kStartsOther},
        {"rundll32 in front", "rundll32.exe c:\\temp\\mssys.exe", "rundll32.exe c:\\temp\\mssys.exe", temp,
         kStartsOther},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(MatchAutostartData(row.data, row.expanded, row.forms, 3) == row.match);
    }
}

TEST_CASE("a remembered value goes again only while it still starts an infected file")
{
    struct Row {
        const char* label;
        const char* current;
        const char* remembered;
        AutostartMatch now;
        bool goes;
    };
    const Row rows[] = {
        {"written again unchanged", "c:\\temp\\mssys.exe", "c:\\temp\\mssys.exe", kStartsOther, true},
        {"now another program", "c:\\program files\\legit\\upd.exe", "c:\\temp\\mssys.exe", kStartsOther, false},
        {"longer than it was", "c:\\temp\\mssys.exe -x", "c:\\temp\\mssys.exe", kStartsOther, false},
        {"starts the file now detected", "c:\\temp\\other.exe", "c:\\temp\\mssys.exe", kStartsByPath, true},
        {"names it bare in a system folder", "other.exe", "c:\\temp\\mssys.exe", kStartsByName, true},
        {"names it bare elsewhere", "other.exe", "c:\\temp\\mssys.exe", kBareNameOutsideSystem, false},
        {"nothing remembered (too long)", "c:\\temp\\mssys.exe", "", kStartsOther, false},
        {"nothing remembered, empty data now", "", "", kStartsOther, false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(RememberedValueStillInfected(row.current, row.remembered, row.now) == row.goes);
    }
}

}  // namespace
