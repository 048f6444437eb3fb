// The record kept for a file that waits for the restart in the tool's folder: written and read
// back, and read strictly, since the step after the restart acts on what it says; and what that
// step decides for each record.
#include <doctest.h>

#include <string>

#include "disinfect/restart_record.h"

TEST_CASE("a record reads back as it was written")
{
    MoveRecord record{"C:\\bait\\victim.dll", "W32/KYR.Ag.PSW.Trojan", kSecondName, {0x1234abcd, 0, 0xfffffffe}};
    char text[2 * kPathSize + 64];
    CHECK(FormatMoveRecord(record, text, sizeof(text)));
    CHECK(std::string(text) ==
          "C:\\bait\\victim.dll\r\nW32/KYR.Ag.PSW.Trojan\r\nsecond name\r\n1234abcd-00000000-fffffffe\r\n");
    MoveRecord read;
    CHECK(ParseMoveRecord(text, std::string(text).size(), read));
    CHECK(std::string(read.originalPath) == record.originalPath);
    CHECK(std::string(read.detectionName) == record.detectionName);
    CHECK(read.method == kSecondName);
    CHECK(SameFile(read.identity, record.identity));
    for (RestartMethod method : {kMovedAtRestart, kMovedNow}) {
        record.method = method;
        CHECK(FormatMoveRecord(record, text, sizeof(text)));
        CHECK(ParseMoveRecord(text, std::string(text).size(), read));
        CHECK(read.method == method);
    }
}

TEST_CASE("a record of the first version is a move at the restart")
{
    const std::string text = "C:\\bait\\victim.dll\r\nW32/KYR.Ag.PSW.Trojan\r\n";
    MoveRecord read;
    read.method = kSecondName;
    CHECK(ParseMoveRecord(text.data(), text.size(), read));
    CHECK(read.method == kMovedAtRestart);
    CHECK(read.identity.volume == 0);
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
        {"a method and an identity", "C:\\v.dll\r\nN\r\nmoved now\r\n00000001-00000002-00000003\r\n", true},
        {"a method of nobody's", "C:\\v.dll\r\nN\r\nmore\r\n00000001-00000002-00000003\r\n", false},
        {"a method without its identity", "C:\\v.dll\r\nN\r\nmoved now\r\n", false},
        {"an identity in capitals", "C:\\v.dll\r\nN\r\nmoved now\r\n0000000A-00000002-00000003\r\n", false},
        {"an identity cut short", "C:\\v.dll\r\nN\r\nmoved now\r\n00000001-00000002-0000003\r\n", false},
        {"a line after the identity", "C:\\v.dll\r\nN\r\nsecond name\r\n00000001-00000002-00000003\r\nx\r\n", false},
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

TEST_CASE("the step after the restart touches a path only while it names the very file that matched")
{
    const bool Y = true, N = false;
    struct Row {
        const char* label;
        RestartMethod method;
        FinishFacts facts;  // present, opened, sameFile, matches, pathChanged, original
        FinishAction action;
    } rows[] = {
        {"second name: still the trojan's file under both names", kSecondName, {Y, Y, Y, Y, N, kOriginalSame},
          kFinishDeleteBoth},
        {"second name: a folder of the path became a link", kSecondName, {Y, Y, Y, Y, Y, kOriginalSame},
          kFinishDropName},
        {"second name: another file put in the path's place", kSecondName, {Y, Y, Y, Y, N, kOriginalOther},
          kFinishDropName},
        {"second name: the first name is gone", kSecondName, {Y, Y, Y, Y, N, kOriginalGone}, kFinishDropName},
        {"second name: the file changed and matches no more", kSecondName, {Y, Y, Y, N, N, kOriginalSame},
          kFinishDropName},
        {"second name: held again by some program", kSecondName, {Y, Y, Y, Y, N, kOriginalHeld}, kFinishKeepRecord},
        {"second name: the path cannot be looked at", kSecondName, {Y, Y, Y, Y, N, kOriginalUnknown},
          kFinishKeepRecord},
        {"second name: the tool's name is another file", kSecondName, {Y, Y, N, Y, N, kOriginalSame},
          kFinishKeepRecord},
        {"second name: cannot be opened now", kSecondName, {Y, N, N, N, N, kOriginalSame}, kFinishKeepRecord},
        {"second name: the tool's name is gone", kSecondName, {N, N, N, N, N, kOriginalSame}, kFinishNothingMoved},
        {"moved now: the restart deleted it", kMovedNow, {N, N, N, N, N, kOriginalGone}, kFinishDoneAtRestart},
        {"moved now: still there and matching", kMovedNow, {Y, Y, Y, Y, N, kOriginalGone}, kFinishDelete},
        {"moved now: matches no more, never sent back by path", kMovedNow, {Y, Y, Y, N, N, kOriginalGone},
          kFinishKeepRecord},
        {"moved at the restart: still the trojan's file", kMovedAtRestart, {Y, Y, N, Y, N, kOriginalGone},
          kFinishDelete},
        {"moved at the restart: another file came", kMovedAtRestart, {Y, Y, N, N, N, kOriginalGone}, kFinishPutBack},
        {"moved at the restart: another file, and a link on the way back", kMovedAtRestart, {Y, Y, N, N, Y, kOriginalGone},
          kFinishKeepRecord},
        {"moved at the restart: held at the start", kMovedAtRestart, {Y, N, N, N, N, kOriginalGone}, kFinishKeepRecord},
        {"moved at the restart: nothing moved", kMovedAtRestart, {N, N, N, N, N, kOriginalGone}, kFinishNothingMoved},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(DecideFinish(row.method, row.facts) == row.action);
    }
}
