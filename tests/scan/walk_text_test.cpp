// Display shortening and the paths the walker derives from a search pattern.
#include <doctest.h>

#include <cstring>
#include <string>

#include "scan/walk_text.h"

namespace {

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// A path of n characters whose head and tail are easy to tell apart.
std::string PathOf(size_t n)
{
    std::string path = "C:\\";
    for (size_t i = 0; path.size() < n; ++i)
        path += static_cast<char>('a' + i % 26);
    return path;
}

}  // namespace

TEST_CASE("ShortenForDisplay keeps 29 + .. + 29 characters only above 60")
{
    struct Row {
        const char* label;
        std::string source;
        int maximum;
        std::string expected;
    } rows[] = {
        {"empty", "", 60, ""},
        {"59 characters shown whole", PathOf(59), 60, PathOf(59)},
        {"60 characters shown whole", PathOf(60), 60, PathOf(60)},
        {"61 characters shortened", PathOf(61), 60, PathOf(61).substr(0, 29) + ".." + PathOf(61).substr(32)},
        {"259 characters shortened", PathOf(259), 60, PathOf(259).substr(0, 29) + ".." + PathOf(259).substr(230)},
        {"odd maximum gets three dots", Repeat('x', 20), 11, "xxxx...xxxx"},
        {"maximum 3 leaves no head: copied", Repeat('y', 10), 3, Repeat('y', 10)},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char destination[260];
        std::memset(destination, '#', sizeof(destination));
        ShortenForDisplay(row.source.c_str(), destination, sizeof(destination), row.maximum);
        CHECK(std::string(destination) == row.expected);
        if (row.source.size() > static_cast<size_t>(row.maximum) && row.maximum == 60)
            CHECK(std::strlen(destination) == 60);
    }
}

TEST_CASE("ShortenForDisplay never writes past a small destination")
{
    char destination[16];
    std::memset(destination, '#', sizeof(destination));
    ShortenForDisplay(PathOf(100).c_str(), destination, 10, 60);
    CHECK(std::strlen(destination) == 9);
    CHECK(destination[10] == '#');
}

TEST_CASE("Entry paths, child patterns and the folder pass pattern")
{
    enum Kind { Entry, Child, FolderPass };
    std::string dir255 = "C:\\" + Repeat('d', 252);  // 255 characters
    struct Row {
        const char* label;
        Kind kind;
        std::string pattern;
        std::string name;
        size_t size;
        int result;
        std::string expected;
    } rows[] = {
        {"file in folder", Entry, "D:\\Data\\*.*", "report.doc", 260, 1, "D:\\Data\\report.doc"},
        {"dot entry", Entry, "D:\\Data\\*.*", ".", 260, 1, "D:\\Data\\."},
        {"drive root", Entry, "C:\\*.*", "boot.ini", 260, 1, "C:\\boot.ini"},
        {"pattern without dot aborts", Entry, "D:\\Data\\*", "x", 260, -1, ""},
        {"child folder", Child, "D:\\Data\\*.*", "Old", 260, 1, "D:\\Data\\Old\\*.*"},
        {"child without dot aborts", Child, "D:\\Data", "Old", 260, -1, ""},
        {"folder pass keeps *.*", FolderPass, "D:\\Data\\*.*", "", 260, 1, "D:\\Data\\*.*"},
        {"folder pass replaces extension", FolderPass, "D:\\Data\\*.exe", "", 260, 1, "D:\\Data\\*.*"},
        {"folder pass without dot aborts", FolderPass, "D:\\Data", "", 260, -1, ""},
        // 255 + "\" + 3 = 259 characters: the longest path a 260-byte buffer holds.
        {"path of 259 fits", Entry, dir255 + "\\*.*", "abc", 260, 1, dir255 + "\\abc"},
        {"path of 260 is refused", Entry, dir255 + "\\*.*", "abcd", 260, 0, ""},
        {"child pattern of 259 fits", Child, "C:\\" + Repeat('d', 249) + "\\*.*", "ab", 260, 1,
         "C:\\" + Repeat('d', 249) + "\\ab\\*.*"},
        {"child pattern of 260 is refused", Child, "C:\\" + Repeat('d', 249) + "\\*.*", "abc", 260, 0, ""},
        {"leading dot keeps no head", Entry, ".x", "n", 260, 1, "n"},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char destination[300];
        std::memset(destination, '#', sizeof(destination));
        int result = 0;
        if (row.kind == Entry)
            result = BuildEntryPath(row.pattern.c_str(), row.name.c_str(), destination, row.size);
        else if (row.kind == Child)
            result = BuildChildPattern(row.pattern.c_str(), row.name.c_str(), destination, row.size);
        else
            result = BuildFolderPassPattern(row.pattern.c_str(), destination, row.size);
        CHECK(result == row.result);
        if (result >= 0)
            CHECK(std::string(destination) == row.expected);
        CHECK(destination[row.size] == '#');
    }
}

TEST_CASE("SpellEntry: the long spelling while it names the entry, the short one otherwise")
{
    std::string deep = "C:\\" + Repeat('d', 252);  // 255 characters
    std::string deepShort = "C:\\DDDDDD~1";
    struct Row {
        const char* label;
        std::string longPattern, shortPattern, name, shortName, tail;
        EntrySpelling result;
        std::string longOut, shortOut;  // for kSpelled; otherwise longOut is the report text
        std::string chosen;
    } rows[] = {
        {"plain 8.3 name: both spellings alike", "D:\\Data\\*.*", "D:\\Data\\*.*", "a.txt", "", "", kSpelled,
         "D:\\Data\\a.txt", "D:\\Data\\a.txt", "D:\\Data\\a.txt"},
        {"long name: long chosen, short kept", "D:\\Data\\*.*", "D:\\Data\\*.*", "Report 2024.doc", "REPORT~1.DOC", "",
         kSpelled, "D:\\Data\\Report 2024.doc", "D:\\Data\\REPORT~1.DOC", "D:\\Data\\Report 2024.doc"},
        {"name the code page cannot spell: short", "D:\\*.*", "D:\\*.*", "?????.exe", "____~WZD.EXE", "", kSpelled,
         "", "D:\\____~WZD.EXE", "D:\\____~WZD.EXE"},
        {"'?' and no short name: unnameable", "D:\\*.*", "D:\\*.*", "a?.exe", "", "", kSpellUnnameable,
         "D:\\a?.exe", "", ""},
        {"'?' in the short name too: unnameable", "D:\\*.*", "D:\\*.*", "?.exe", "?~1.EXE", "", kSpellUnnameable,
         "D:\\?.exe", "", ""},
        {"below a folder only the short spelling names", "", "D:\\____~WZD\\*.*", "in.txt", "", "", kSpelled, "",
         "D:\\____~WZD\\in.txt", "D:\\____~WZD\\in.txt"},
        {"path of 259: long", deep + "\\*.*", deepShort + "\\*.*", "abc", "", "", kSpelled, deep + "\\abc",
         deepShort + "\\abc", deep + "\\abc"},
        {"path of 260: short", deep + "\\*.*", deepShort + "\\*.*", "abcd", "", "", kSpelled, "",
         deepShort + "\\abcd", deepShort + "\\abcd"},
        {"too long in both spellings", deep + "\\*.*", deep + "\\*.*", "abcd", "", "", kSpellTooLong,
         deep + "\\abcd", "", ""},
        {"short name too long, long has '?': too long", deep + "\\*.*", deep + "\\*.*", "?x", "_X~1", "",
         kSpellTooLong, deep + "\\?x", "", ""},
        {"child pattern: short when the long one passes 259", "C:\\" + Repeat('d', 249) + "\\*.*",
         "C:\\DDDDDD~1\\*.*", "abc", "", "\\*.*", kSpelled, "", "C:\\DDDDDD~1\\abc\\*.*", "C:\\DDDDDD~1\\abc\\*.*"},
        {"folder with a short name", "D:\\*.*", "D:\\*.*", "Folder name", "FOLDER~1", "\\*.*", kSpelled,
         "D:\\Folder name\\*.*", "D:\\FOLDER~1\\*.*", "D:\\Folder name\\*.*"},
        {"pattern without dot", "D:\\Data", "D:\\Data", "x", "", "", kSpellNoDot, "", "", ""},
        // The path rules trim a final dot or space, so such a path opens its namesake or nothing.
        {"name ending in a dot: short", "D:\\*.*", "D:\\*.*", "lone.exe.", "LONE~YFG.EXE", "", kSpelled, "",
         "D:\\LONE~YFG.EXE", "D:\\LONE~YFG.EXE"},
        {"name ending in a space: short", "D:\\*.*", "D:\\*.*", "sp.exe ", "SPEXE~1", "", kSpelled, "",
         "D:\\SPEXE~1", "D:\\SPEXE~1"},
        {"name of dots: short", "D:\\*.*", "D:\\*.*", "dots...", "DOTS~1", "", kSpelled, "", "D:\\DOTS~1",
         "D:\\DOTS~1"},
        {"folder ending in a dot: short child pattern", "D:\\*.*", "D:\\*.*", "dir.", "DIR~1", "\\*.*", kSpelled, "",
         "D:\\DIR~1\\*.*", "D:\\DIR~1\\*.*"},
        {"ending in a dot, no short name: passed over", "D:\\*.*", "D:\\*.*", "lone.exe.", "", "", kSpellTrimmed,
         "D:\\lone.exe.", "", ""},
        {"dot inside the name only: long", "D:\\*.*", "D:\\*.*", "a.b.c", "AB~1.C", "", kSpelled, "D:\\a.b.c",
         "D:\\AB~1.C", "D:\\a.b.c"},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char longOut[260];
        char shortOut[260];
        std::memset(longOut, '#', sizeof(longOut));
        std::memset(shortOut, '#', sizeof(shortOut));
        EntrySpelling result = SpellEntry(row.longPattern.c_str(), row.shortPattern.c_str(), row.name.c_str(),
                                          row.shortName.c_str(), row.tail.c_str(), longOut, shortOut, sizeof(longOut));
        CHECK(result == row.result);
        if (result == kSpellNoDot)
            continue;
        CHECK(std::string(longOut) == row.longOut.substr(0, 259));
        if (result == kSpelled) {
            CHECK(std::string(shortOut) == row.shortOut);
            CHECK(std::string(ChosenSpelling(longOut, shortOut)) == row.chosen);
        } else {
            CHECK(shortOut[0] == '\0');
        }
    }
}

TEST_CASE("names the path rules would trim and what the walk counts for what it cannot spell")
{
    struct Row {
        const char* name;
        bool trimmed;
    } rows[] = {{"a.", true}, {"a ", true}, {"...", true}, {"a.b", false}, {" a", false}, {"", false}, {"a. b", false},
                {".", false}, {"..", false}};
    for (const Row& row : rows) {
        INFO("name: '" << row.name << "'");
        CHECK(EndsTrimmed(row.name) == row.trimmed);
    }
    CHECK(PassedOverKind(kSpellTooLong) == kSkipTooLong);
    CHECK(PassedOverKind(kSpellUnnameable) == kSkipUnnameable);
    CHECK(PassedOverKind(kSpellTrimmed) == kSkipTrimmed);
}

TEST_CASE("IsFolderLink: links and folders of unknown kind are not entered, other reparse folders are")
{
    const uint32_t folder = 0x10;
    const uint32_t reparse = 0x400;
    struct Row {
        const char* label;
        uint32_t attributes;
        uint32_t tag;
        bool link;
    } rows[] = {
        {"plain folder", folder, 0, false},
        {"plain folder, stale tag field", folder, 0xA000000C, false},
        {"junction / mount point", folder | reparse, 0xA0000003, true},
        {"symbolic link", folder | reparse, 0xA000000C, true},
        {"Linux-style symbolic link", folder | reparse, 0xA000001D, true},
        {"tag not reported (Wine leaves it alone)", folder | reparse, 0, true},
        {"cloud files folder", folder | reparse, 0x9000001A, false},
        {"cloud files folder, other variant", folder | reparse, 0x9000601A, false},
        {"deduplicated data", folder | reparse, 0x80000013, false},
        {"hierarchical storage", folder | reparse, 0xC0000004, false},
        {"any tag with the name-surrogate bit", folder | reparse, 0x20000001, true},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        CHECK(IsFolderLink(row.attributes, row.tag) == row.link);
    }
}

TEST_CASE("IsRecalledOnOpen: offline and cloud placeholders are never opened")
{
    struct Row {
        const char* label;
        uint32_t attributes;
        bool recalled;
    } rows[] = {
        {"normal", 0x80, false},
        {"archive, hidden, system, read-only", 0x20 | 0x2 | 0x4 | 0x1, false},
        {"sparse and reparse alone", 0x200 | 0x400, false},
        {"offline", 0x1000, true},
        {"recall on open", 0x40000, true},
        {"recall on data access", 0x400000, true},
        {"pinned but present", 0x80000 | 0x20, false},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        CHECK(IsRecalledOnOpen(row.attributes) == row.recalled);
    }
}

TEST_CASE("the walk asks on a fresh Escape key-down only")
{
    const uintptr_t kFresh = 0x00010001;     // repeat count 1, the key was up
    const uintptr_t kRepeat = 0x40010001;    // the key was already down
    const uintptr_t kRelease = 0xC0010001;   // key-up
    struct Row {
        const char* label;
        uint32_t message;
        uintptr_t wParam;
        uintptr_t lParam;
        PumpAction action;
    };
    const Row rows[] = {
        {"Escape key-down", 0x0100, 27, kFresh, kPumpAsk},
        {"Alt+Escape key-down", 0x0104, 27, kFresh | 0x20000000, kPumpAsk},
        {"Escape held down: auto-repeat", 0x0100, 27, kRepeat, kPumpDrop},
        {"Escape key-up after the answer", 0x0101, 27, kRelease, kPumpDispatch},
        {"system key-up of Escape", 0x0105, 27, kRelease, kPumpDispatch},
        {"WM_CHAR 27 (Ctrl+[)", 0x0102, 27, kFresh, kPumpAsk},
        {"other key-down", 0x0100, 13, kFresh, kPumpDispatch},
        {"timer id 27", 0x0113, 27, 0, kPumpDispatch},
        {"command id 27", 0x0111, 27, 0, kPumpDispatch},
        {"high word beside Escape in a key-down", 0x0100, 0x10001B, kFresh, kPumpAsk},
        {"WM_QUIT", 0x0012, 0, 0, kPumpStop},
        {"WM_QUIT with exit code 27", 0x0012, 27, 0, kPumpStop},
        {"WM_DESTROY", 0x0002, 0, 0, kPumpStop},
        {"paint", 0x000F, 0, 0, kPumpDispatch},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(ClassifyPumpedMessage(row.message, row.wParam, row.lParam) == row.action);
    }
}
