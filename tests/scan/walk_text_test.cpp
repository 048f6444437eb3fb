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
