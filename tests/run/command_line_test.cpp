// The switches of an unattended run read from whole command lines, and the exit code chosen from
// what a scan found.
#include <doctest.h>

#include <string>

#include "run/command_line.h"

TEST_CASE("command lines")
{
    const std::string longPath(kPathSize - 1, 'p');
    const std::string tooLong(kPathSize, 'p');
    struct Row {
        const char* label;
        std::string line;
        bool quiet, restart, help, bad;
        std::string reportPath;
        std::string badArgument;
    } rows[] = {
        {"no arguments", "tarvex.exe", false, false, false, false, "", ""},
        {"trailing separators", "tarvex.exe  \t ", false, false, false, false, "", ""},
        {"quoted program with spaces", "\"C:\\Program Files\\t x\\tarvex.exe\" /Q", true, false, false, false, "", ""},
        {"quoted program, no space after", "\"C:\\a b\\tarvex.exe\"/Q", true, false, false, false, "", ""},
        {"all switches, any order, tabs", "tarvex.exe\t/R   /L:C:\\r.log\t/Q", true, true, false, false, "C:\\r.log", ""},
        {"lower case and dashes", "t -q -r -l:c:\\x.log", true, true, false, false, "c:\\x.log", ""},
        {"quotes around the path", "t /Q /L:\"C:\\a b\\r.log\"", true, false, false, false, "C:\\a b\\r.log", ""},
        {"quotes around the switch", "t \"/L:C:\\a b\\r.log\" /Q", true, false, false, false, "C:\\a b\\r.log", ""},
        {"UNC path", "t /Q /L:\\\\server\\tarvex$\\PC1.log", true, false, false, false, "\\\\server\\tarvex$\\PC1.log", ""},
        {"help", "t /?", false, false, true, false, "", ""},
        {"help with dash", "t -?", false, false, true, false, "", ""},
        {"repeated /Q and /R", "t /q /Q /r /R", true, true, false, false, "", ""},
        {"unknown switch", "t /Q /X", true, false, false, true, "", "/X"},
        {"a plain word", "t scan", false, false, false, true, "", "scan"},
        {"switch letter with more", "t /QR", false, false, false, true, "", "/QR"},
        {"a lone slash", "t /", false, false, false, true, "", "/"},
        {"the first bad argument is kept", "t /A /B", false, false, false, true, "", "/A"},
        {"/L without a path", "t /Q /L:", true, false, false, true, "", "/L:"},
        {"/L without a colon", "t /L C:\\r.log", false, false, false, true, "", "/L"},
        {"/L twice", "t /L:a.log /L:b.log", false, false, false, true, "a.log", "/L:b.log"},
        {"/L at the longest path", "t /L:" + longPath, false, false, false, false, longPath, ""},
        {"/L one byte over", "t /L:" + tooLong, false, false, false, true, "", ("/L:" + tooLong).substr(0, kPathSize - 1)},
        {"unclosed quote runs to the end", "t /L:\"C:\\a b /Q", false, false, false, false, "C:\\a b /Q", ""},
        {"empty quoted argument", "t \"\"", false, false, false, true, "", ""},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line.c_str(), options);
        CHECK(options.quiet == row.quiet);
        CHECK(options.restart == row.restart);
        CHECK(options.help == row.help);
        CHECK(options.badCommandLine == row.bad);
        CHECK(std::string(options.reportPath) == row.reportPath);
        CHECK(std::string(options.badArgument) == row.badArgument);
    }
}

TEST_CASE("the program's own path without quotes, spaces and all")
{
    const char module[] = "C:\\Program Files\\Tarvex\\tarvex.exe";
    struct Row {
        const char* label;
        const char* line;
        bool quiet, bad;
    } rows[] = {
        {"unquoted, no arguments", "C:\\Program Files\\Tarvex\\tarvex.exe", false, false},
        {"unquoted, other case, a switch", "c:\\program files\\tarvex\\TARVEX.EXE /q", true, false},
        {"quoted as usual", "\"C:\\Program Files\\Tarvex\\tarvex.exe\" /Q", true, false},
        {"another name", "tarvex /Q", true, false},
        {"a longer name that begins the same", "C:\\Program Files\\Tarvex\\tarvex.exe2 /Q", true, true},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line, options, module);
        CHECK(options.quiet == row.quiet);
        CHECK(options.badCommandLine == row.bad);
    }
}

TEST_CASE("a null command line is an empty one")
{
    RunOptions options;
    options.quiet = true;
    ParseCommandLine(nullptr, options);
    CHECK_FALSE(options.quiet);
    CHECK_FALSE(options.badCommandLine);
}

TEST_CASE("exit codes")
{
    struct Row {
        const char* label;
        RunOutcome outcome;
        RunExitCode expected;
    } rows[] = {
        {"clean", {true, 0, 0, 0, false, false}, kExitClean},
        {"removed", {true, 2, 0, 0, false, false}, kExitRemoved},
        {"deletion waits for a restart", {true, 2, 0, 1, false, false}, kExitRestartPending},
        {"memory find needs a restart", {true, 1, 0, 0, true, false}, kExitRestartPending},
        {"the restart was started", {true, 2, 0, 1, true, true}, kExitRemoved},
        {"left behind outranks waiting", {true, 3, 1, 1, false, false}, kExitLeftBehind},
        {"left behind stays after a restart", {true, 3, 1, 1, false, true}, kExitLeftBehind},
        {"not completed outranks everything", {false, 3, 1, 1, true, false}, kExitIncomplete},
        {"not completed and clean so far", {false, 0, 0, 0, false, false}, kExitIncomplete},
        // A file that could not be opened keeps a quiet run from ending clean.
        {"nothing found, one file not opened", {true, 0, 0, 0, false, false, 1}, kExitIncomplete},
        {"all removed, files not opened", {true, 2, 0, 0, false, false, 3}, kExitIncomplete},
        {"waiting for a restart, a file not opened", {true, 1, 0, 1, false, false, 1}, kExitIncomplete},
        {"every file opened", {true, 0, 0, 0, false, false, 0}, kExitClean},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(ExitCodeOf(row.outcome) == row.expected);
    }
}

TEST_CASE("any argument that begins with /Q or -Q asks for no window, even glued to more")
{
    const std::string tooLong(kPathSize + 20, 'p');
    struct Row {
        const char* label;
        std::string line;
        bool quietSpelling, quiet, endsBad;
        std::string badArgument;
    } rows[] = {
        {"the switch itself", "t /Q", true, true, false, ""},
        {"lower case with a dash", "t -q", true, true, false, ""},
        {"glued to /R", "t /Q/R", true, false, true, "/Q/R"},
        {"letters glued", "t /QR", true, false, true, "/QR"},
        {"glued to /L", "t /q/l:x", true, false, true, "/q/l:x"},
        {"glued, after a good switch", "t /R -qr", true, false, true, "-qr"},
        {"in quotes", "t \"/Q\" /R", true, true, false, ""},
        {"quoted with a space inside", "t \"/Q /R\"", true, false, true, "/Q /R"},
        {"a word, not a switch", "t Q", false, false, true, "Q"},
        {"inside the /L path", "t /L:C:\\x/Q", false, false, false, ""},
        {"an /L path too long to use is not bad on its own", "t /Q /L:" + tooLong, true, true, false,
         ("/L:" + tooLong).substr(0, kPathSize - 1)},
        {"... but is with anything else bad", "t /L:" + tooLong + " /Z", false, false, true,
         ("/L:" + tooLong).substr(0, kPathSize - 1)},
        {"... and a second /L after it is bad", "t /L:" + tooLong + " /L:b.log", false, false, true,
         ("/L:" + tooLong).substr(0, kPathSize - 1)},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line.c_str(), options);
        CHECK(options.quietSpelling == row.quietSpelling);
        CHECK(options.quiet == row.quiet);
        CHECK(IsBadCommandLine(options) == row.endsBad);
        CHECK(std::string(options.badArgument) == row.badArgument);
    }
}

TEST_CASE("an /L path too long to use is kept only as a head to name it, never as the report's path")
{
    const std::string tooLong(kPathSize + 20, 'p');
    RunOptions options;
    ParseCommandLine(("t /Q /L:" + tooLong).c_str(), options);
    CHECK(std::string(options.reportPath).empty());
    CHECK(std::string(options.longReportPath) == tooLong.substr(0, kPathSize - 1));
    ParseCommandLine("t /Q /L:C:\\r.log", options);
    CHECK(std::string(options.longReportPath).empty());
}

TEST_CASE("/NOEVENTS turns the Event Log off and goes with every other switch")
{
    struct Row {
        const char* label;
        const char* line;
        bool noEvents, quiet, bad;
    } rows[] = {
        {"not given", "t /Q", false, true, false},
        {"alone", "t /NOEVENTS", true, false, false},
        {"any case, dash, with the others", "t -q /l:c:\\r.log -NoEvents /R", true, true, false},
        {"repeated", "t /noevents /NOEVENTS", true, false, false},
        {"glued to another switch", "t /NOEVENTS/Q", false, false, true},
        {"a shortened spelling", "t /NOEVENT", false, false, true},
        {"with an argument", "t /NOEVENTS:1", false, false, true},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line, options);
        CHECK(options.noEvents == row.noEvents);
        CHECK(options.quiet == row.quiet);
        CHECK(IsBadCommandLine(options) == row.bad);
    }
}

TEST_CASE("the switch of the step after a restart")
{
    struct Row {
        const char* label;
        const char* line;
        bool finish, bad;
    } rows[] = {
        {"as the RunOnce entry writes it", "\"C:\\TarvexRestart\\tarvex.exe\" /FINISH", true, false},
        {"any case, a dash", "t -finish", true, false},
        {"not without it", "t /Q", false, false},
        {"glued to more", "t /FINISHED", false, true},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line, options);
        CHECK(options.finishRestart == row.finish);
        CHECK(options.badCommandLine == row.bad);
    }
}

TEST_CASE("/UNDO and /UNDO:ID")
{
    const std::string longestId(kScanIdSize - 1, '1');
    struct Row {
        const char* label;
        std::string line;
        bool undo, quiet, bad;
        std::string scanId;
        std::string badArgument;
    } rows[] = {
        {"the latest scan", "t /UNDO", true, false, false, "", ""},
        {"quiet, lower case, dash", "t -q -undo", true, true, false, "", ""},
        {"a scan by its ID", "t /Q /UNDO:20261210-100738", true, true, false, "20261210-100738", ""},
        {"with a report path", "t /UNDO:1 /L:C:\\r.log", true, false, false, "1", ""},
        {"the longest ID", "t /UNDO:" + longestId, true, false, false, longestId, ""},
        {"an ID one over", "t /UNDO:" + longestId + "1", false, false, true, "", "/UNDO:" + longestId + "1"},
        {"no ID after the colon", "t /UNDO:", false, false, true, "", "/UNDO:"},
        {"an ID that climbs", "t /UNDO:..\\x", false, false, true, "", "/UNDO:..\\x"},
        {"an ID with a letter", "t /UNDO:2026a", false, false, true, "", "/UNDO:2026a"},
        {"an ID with a space in quotes", "t \"/UNDO:1 2\"", false, false, true, "", "/UNDO:1 2"},
        {"twice", "t /UNDO /UNDO:1", true, false, true, "", "/UNDO:1"},
        {"twice the same", "t /UNDO /undo", true, false, true, "", "/undo"},
        {"glued to more", "t /UNDOX", false, false, true, "", "/UNDOX"},
        {"a restart has nothing to finish", "t /UNDO /R", true, false, true, "", "/R"},
        {"... in either order", "t /Q /R /UNDO", true, true, true, "", "/R"},
        {"the first bad argument stays first", "t /X /R /UNDO", true, false, true, "", "/X"},
        {"a scan as before", "t /Q /R", false, true, false, "", ""},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RunOptions options;
        ParseCommandLine(row.line.c_str(), options);
        CHECK(options.undo == row.undo);
        CHECK(options.quiet == row.quiet);
        CHECK(IsBadCommandLine(options) == row.bad);
        CHECK(std::string(options.undoScanId) == row.scanId);
        CHECK(std::string(options.badArgument) == row.badArgument);
    }
}

TEST_CASE("an undo's exit codes")
{
    struct Row {
        const char* label;
        UndoOutcome outcome;
        RunExitCode expected;
    } rows[] = {
        {"nothing left to put back", {0, 0}, kExitClean},
        {"everything put back", {4, 0}, kExitClean},
        {"something not put back", {3, 1}, kExitLeftBehind},
        {"nothing put back, something refused", {0, 2}, kExitLeftBehind},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(UndoExitCodeOf(row.outcome) == row.expected);
    }
}
