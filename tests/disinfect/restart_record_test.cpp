// The record kept beside a file moved at the restart: written and read back, and read strictly,
// since the step after the restart acts on what it says.
#include <doctest.h>

#include <string>

#include "disinfect/restart_record.h"

TEST_CASE("a record reads back as it was written")
{
    MoveRecord record{"C:\\bait\\victim.dll", "W32/KYR.Ag.PSW.Trojan"};
    char text[2 * kPathSize + 8];
    CHECK(FormatMoveRecord(record, text, sizeof(text)));
    CHECK(std::string(text) == "C:\\bait\\victim.dll\r\nW32/KYR.Ag.PSW.Trojan\r\n");
    MoveRecord read;
    CHECK(ParseMoveRecord(text, std::string(text).size(), read));
    CHECK(std::string(read.originalPath) == record.originalPath);
    CHECK(std::string(read.detectionName) == record.detectionName);
}

TEST_CASE("records that are not the tool's are refused")
{
    const std::string longest(kPathSize - 1 - 3, 'p');
    struct Row {
        const char* label;
        std::string text;
        bool good;
    } rows[] = {
        {"a share path", "\\\\pc\\c$\\v.dll\r\nW32/KYR.Trojan\r\n", true},
        {"the longest path", "C:\\" + longest + "\r\nN\r\n", true},
        {"one byte over", "C:\\" + longest + "p\r\nN\r\n", false},
        {"empty", "", false},
        {"one line", "C:\\v.dll\r\n", false},
        {"no end to the name", "C:\\v.dll\r\nN", false},
        {"bare line feeds", "C:\\v.dll\nN\n", false},
        {"an empty name", "C:\\v.dll\r\n\r\n", false},
        {"a third line", "C:\\v.dll\r\nN\r\nmore\r\n", false},
        {"a relative path", "bait\\v.dll\r\nN\r\n", false},
        {"a drive root alone", "C:\\\r\nN\r\n", false},
        {"a zero byte inside", std::string("C:\\v\0.dll\r\nN\r\n", 14), false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        MoveRecord record;
        CHECK(ParseMoveRecord(row.text.data(), row.text.size(), record) == row.good);
        if (!row.good)
            CHECK(record.originalPath[0] == '\0');
    }
}

TEST_CASE("the folder is at the root of the file's own drive")
{
    char folder[kPathSize];
    CHECK(RestartFolderFor("D:\\data\\v.dll", folder, sizeof(folder)));
    CHECK(std::string(folder) == "D:\\TarvexRestart");
    CHECK_FALSE(RestartFolderFor("\\\\pc\\share\\v.dll", folder, sizeof(folder)));
    CHECK_FALSE(RestartFolderFor("v.dll", folder, sizeof(folder)));
}
