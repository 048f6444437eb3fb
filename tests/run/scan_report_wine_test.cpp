// The scan report's file under Wine: read by someone else while a scan writes it, silent while
// another program holds it without sharing, and the passed-over section fed through NoteWalkSkip.
#include <doctest.h>
#include <windows.h>

#include <string>

#include "base/product.h"
#include "run/scan_report.h"
#include "run/scan_state.h"
#include "scan/scan_run.h"
#include "platform/version.h"

namespace {

std::string WindowsFile(const char* name)
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\" + name;
}

std::string ReadThrough(HANDLE file)
{
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0)
        text.append(chunk, got);
    return text;
}

std::string ReadReport()
{
    HANDLE file = CreateFileA(WindowsFile(kReportFileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<none>";
    std::string text = ReadThrough(file);
    CloseHandle(file);
    return text;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A fresh report in the Windows folder of this test's prefix; removed again at the end.
struct ReportFixture {
    ReportFixture()
    {
        DeleteFileA(WindowsFile(kReportFileName).c_str());
        g_scanState.mainWindow = nullptr;  // result lines go to the report only
    }
    ~ReportFixture() { DeleteFileA(WindowsFile(kReportFileName).c_str()); }
};

}  // namespace

TEST_CASE_FIXTURE(ReportFixture, "someone reading the report during a scan sees each line as it is written")
{
    BeginScanReport(g_scanState);
    HANDLE reader = CreateFileA(WindowsFile(kReportFileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(reader != INVALID_HANDLE_VALUE);
    if (reader == INVALID_HANDLE_VALUE)
        return;
    std::string start = ReadThrough(reader);
    char codes[64];
    wsprintfA(codes, "  platform code %d, NT version code %d\r\n", GetPlatformCode(), GetNtVersionCode());
    CHECK(start.compare(0, 5, "==== ") == 0);
    CHECK(Contains(start, std::string("  ") + kProductTitle + "  Windows "));
    CHECK(start.size() > std::string(codes).size());
    CHECK(start.compare(start.size() - std::string(codes).size(), std::string::npos, codes) == 0);

    SendResultLine(g_scanState, "%s     %s removed", "C:\\x\\a.exe", "W32/KYR.Trojan");
    CHECK(ReadThrough(reader) == "C:\\x\\a.exe     W32/KYR.Trojan removed\r\n");
    SendResultLine(g_scanState, "Total files scanned\t\t:  %d", 3);
    CHECK(ReadThrough(reader) == "Total files scanned\t\t:  3\r\n");
    EndScanRecord(kEndScanRun);
    std::string end = ReadThrough(reader);
    CHECK(Contains(end, "  End of scan\r\n"));
    EndScanRecord(kEndScanRun);  // once only
    CHECK(ReadThrough(reader).empty());
    SendResultLine(g_scanState, "%s", "after the end");
    CHECK(ReadThrough(reader).empty());
    CloseHandle(reader);
}

TEST_CASE_FIXTURE(ReportFixture, "a report cut off mid-line is continued on a new line")
{
    struct Row {
        const char* label;
        std::string old;
        std::string kept;  // what the old text must be followed by the new start line in
    };
    const Row rows[] = {
        {"cut mid-line", "==== old\r\nC:\\x\\cut.exe     W32/KYR", "C:\\x\\cut.exe     W32/KYR\r\n==== "},
        {"ended whole", "==== old\r\nlast\r\n", "last\r\n==== "},
        {"cut after CR", "==== old\r\nlast\r", "last\r\r\n==== "},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        HANDLE file = CreateFileA(WindowsFile(kReportFileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr);
        DWORD written = 0;
        WriteFile(file, row.old.data(), static_cast<DWORD>(row.old.size()), &written, nullptr);
        CloseHandle(file);
        BeginScanReport(g_scanState);
        EndScanRecord(kEndScanRun);
        std::string text = ReadReport();
        CHECK(text.compare(0, row.old.size(), row.old) == 0);
        CHECK(Contains(text, row.kept));
    }
}

TEST_CASE_FIXTURE(ReportFixture, "a report another program holds without sharing loses its lines silently")
{
    BeginScanReport(g_scanState);
    HANDLE holder = CreateFileA(WindowsFile(kReportFileName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(holder != INVALID_HANDLE_VALUE);
    if (holder == INVALID_HANDLE_VALUE)
        return;
    SendResultLine(g_scanState, "%s", "while held");
    CHECK(Contains(g_scanState.lineBuffer, "while held"));
    CloseHandle(holder);
    SendResultLine(g_scanState, "%s", "after release");
    EndScanRecord(kEndScanRun);
    std::string text = ReadReport();
    CHECK(!Contains(text, "while held"));
    CHECK(Contains(text, "\r\nafter release\r\n"));
}

TEST_CASE_FIXTURE(ReportFixture, "entries the walk passed over: counts and the first 20 paths of each kind")
{
    for (int kind = 0; kind < kWalkSkipKinds; ++kind)
        g_scanState.walkSkipped[kind] = 0;
    g_scanReport.skippedPaths = WalkSkipPaths{};
    for (int i = 1; i <= 22; ++i) {
        char path[32];
        wsprintfA(path, "C:\\links\\l%d", i);
        NoteWalkSkip(g_scanState, kSkipLink, path);
    }
    NoteWalkSkip(g_scanState, kSkipUnlistable, "C:\\closed");
    NoteWalkSkip(g_scanState, static_cast<WalkSkip>(kWalkSkipKinds), "C:\\no kind");
    CHECK(g_scanState.walkSkipped[kSkipLink] == 22);

    BeginScanReport(g_scanState);
    ReportWalkSkips(g_scanState);
    EndScanRecord(kEndScanRun);
    std::string text = ReadReport();
    std::string want =
        "\r\nEntries passed over by the walk\r\n"
        "Paths too long\t\t:  0\r\n"
        "Names without an 8-bit spelling\t\t:  0\r\n"
        "Folder links not entered\t\t:  22\r\n";
    for (int i = 1; i <= 20; ++i)
        want += "\tC:\\links\\l" + std::to_string(i) + "\r\n";
    want += "\tand 2 more\r\n"
            "Folders that could not be listed\t\t:  1\r\n"
            "\tC:\\closed\r\n"
            "Offline files not opened\t\t:  0\r\n"
            "Folders below the depth bound\t\t:  0\r\n";
    CHECK(Contains(text, want));
    CHECK(!Contains(text, "no kind"));
}

TEST_CASE_FIXTURE(ReportFixture, "a report path from the command line: written there, set aside there, or the usual place with a note")
{
    std::string folder = WindowsFile("tvxshare");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string chosen = folder + "\\PC1.log";
    std::string old = folder + "\\PC1.old.log";
    DeleteFileA(chosen.c_str());
    DeleteFileA(old.c_str());

    BeginScanRecord("T", nullptr, 5, 6, false, chosen.c_str());
    ReportLine("at the chosen path");
    EndScanRecord(kEndScanRun, "exit code 0");
    CHECK(ReadReport() == "<none>");
    HANDLE file = CreateFileA(chosen.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = ReadThrough(file);
    CHECK(Contains(text, "\r\nat the chosen path\r\n"));
    CHECK(Contains(text, "  End of scan  exit code 0\r\n"));
    // Over the limit: set aside beside it under its .old name, and a new file begins.
    SetFilePointer(file, 1024 * 1024 + 1, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    BeginScanRecord("T", nullptr, 5, 6, false, chosen.c_str());
    EndScanRecord(kEndScanRun);
    CHECK(GetFileAttributesA(old.c_str()) != INVALID_FILE_ATTRIBUTES);
    file = CreateFileA(chosen.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE)
        return;
    CHECK(ReadThrough(file).compare(0, 5, "==== ") == 0);
    CloseHandle(file);

    // A folder that does not exist: the Windows folder takes the record and says why.
    std::string missing = folder + "\\no such folder\\PC1.log";
    BeginScanRecord("T", nullptr, 5, 6, false, missing.c_str());
    EndScanRecord(kEndScanRun);
    CHECK(Contains(ReadReport(), "\r\nThe report could not be written to " + missing + "; it is written here instead.\r\n"));

    // A line on its own, outside any record, goes to the chosen path when it can.
    ReportLoneLine(chosen.c_str(), "alone");
    file = CreateFileA(chosen.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string lone = ReadThrough(file);
    CloseHandle(file);
    CHECK(lone.size() > 9);
    CHECK(lone.compare(lone.size() - 9, 9, "  alone\r\n") == 0);

    DeleteFileA(chosen.c_str());
    DeleteFileA(old.c_str());
    RemoveDirectoryA(folder.c_str());
}

namespace {

std::string TempFile(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    return std::string(folder) + name;
}

std::string ReadFileText(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<none>";
    std::string text = ReadThrough(file);
    CloseHandle(file);
    return text;
}

// A reader that opens the report sharing reads only, as many log viewers do, and lets it go after
// a while on a thread of its own.
struct Reader {
    HANDLE file;
    DWORD holdMs;
};

DWORD WINAPI ReleaseLater(void* context)
{
    Reader* reader = static_cast<Reader*>(context);
    Sleep(reader->holdMs);
    CloseHandle(reader->file);
    return 0;
}

HANDLE HoldAsReader(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The report in the Windows folder and the fallback in the temporary folder, both fresh.
struct HeldReportFixture : ReportFixture {
    HeldReportFixture() { DeleteFileA(TempFile(kReportFileName).c_str()); }
    ~HeldReportFixture() { DeleteFileA(TempFile(kReportFileName).c_str()); }
};

}  // namespace

TEST_CASE_FIXTURE(HeldReportFixture, "a report a reader holds for 1 s loses no line and needs no other place")
{
    BeginScanReport(g_scanState);
    Reader reader = {HoldAsReader(WindowsFile(kReportFileName)), 1000};
    CHECK(reader.file != INVALID_HANDLE_VALUE);
    if (reader.file == INVALID_HANDLE_VALUE)
        return;
    HANDLE thread = CreateThread(nullptr, 0, ReleaseLater, &reader, 0, nullptr);
    CHECK(thread != nullptr);
    if (thread == nullptr)
        return;
    SendResultLine(g_scanState, "%s", "C:\\x\\during.exe     W32/KYR.Trojan removed");
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EndScanRecord(kEndScanRun, "exit code 1");
    std::string text = ReadReport();
    CHECK(Contains(text, "\r\nC:\\x\\during.exe     W32/KYR.Trojan removed\r\n"));
    CHECK(Contains(text, "  End of scan  exit code 1\r\n"));
    CHECK(ReadFileText(TempFile(kReportFileName)) == "<none>");
}

TEST_CASE_FIXTURE(HeldReportFixture, "a report held past the bound: the lines go to the temporary folder, then back")
{
    const std::string report = WindowsFile(kReportFileName);
    const std::string fallback = TempFile(kReportFileName);
    BeginScanReport(g_scanState);
    std::string startLine = ReadReport();
    HANDLE reader = HoldAsReader(report);
    CHECK(reader != INVALID_HANDLE_VALUE);
    if (reader == INVALID_HANDLE_VALUE)
        return;
    DWORD before = GetTickCount();
    SendResultLine(g_scanState, "%s", "held 1");
    DWORD waited = GetTickCount() - before;
    CHECK(waited >= 1900);  // the bound is waited out once...
    before = GetTickCount();
    SendResultLine(g_scanState, "%s", "held 2");
    CHECK(GetTickCount() - before < 1900);  // ...and not again in the same record
    CloseHandle(reader);
    SendResultLine(g_scanState, "%s", "free again");
    EndScanRecord(kEndScanRun, "exit code 1");

    std::string text = ReadReport();
    CHECK(!Contains(text, "held 1"));
    CHECK(Contains(text, startLine + "Lines of this record went to " + fallback +
                             " while this file could not be written; the record goes on here.\r\nfree again\r\n"));
    CHECK(Contains(text, "  End of scan  exit code 1\r\n"));
    CHECK(ReadFileText(fallback) == startLine + "The report could not be written to " + report +
                                        " (in use by another program); the record goes on here.\r\nheld 1\r\nheld 2\r\n"
                                        "The record goes on in " + report + ".\r\n");
}

TEST_CASE_FIXTURE(HeldReportFixture, "a report held to the end: the end line is in the temporary folder's report")
{
    BeginScanReport(g_scanState);
    HANDLE reader = HoldAsReader(WindowsFile(kReportFileName));
    CHECK(reader != INVALID_HANDLE_VALUE);
    if (reader == INVALID_HANDLE_VALUE)
        return;
    SendResultLine(g_scanState, "%s", "held");
    EndScanRecord(kEndScanRun, "exit code 0");
    CloseHandle(reader);
    std::string fallback = ReadFileText(TempFile(kReportFileName));
    CHECK(Contains(fallback, "(in use by another program); the record goes on here.\r\nheld\r\n==== "));
    CHECK(Contains(fallback, "  End of scan  exit code 0\r\n"));
    CHECK(!Contains(ReadReport(), "End of scan"));
}

TEST_CASE_FIXTURE(ReportFixture, "a report that cannot be set aside says so in one line and takes the record")
{
    const std::string report = WindowsFile(kReportFileName);
    const std::string old = WindowsFile(kOldReportFileName);
    HANDLE file = CreateFileA(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 1024 * 1024 + 1, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    DeleteFileA(old.c_str());
    BOOL madeFolder = CreateDirectoryA(old.c_str(), nullptr);  // the .old name is taken by a folder
    CHECK(madeFolder);
    if (!madeFolder)
        return;
    BeginScanReport(g_scanState);
    EndScanRecord(kEndScanRun);
    RemoveDirectoryA(old.c_str());
    std::string text = ReadReport();
    CHECK(text.size() > 1024 * 1024);
    std::string want = "\r\nThe report is over 1 MiB and could not be set aside as " + old + " (error ";
    size_t at = text.find(want);
    CHECK(at != std::string::npos);
    CHECK(text.find(want, at + 1) == std::string::npos);
    CHECK(Contains(text, "); this record is appended to it.\r\n==== "));
}

TEST_CASE_FIXTURE(ReportFixture, "an /L path too long to use is named, and the report is written in the usual place")
{
    const std::string head(kPathSize - 1, 'p');
    BeginScanRecord("T", nullptr, 5, 6, false, "", head.c_str());
    EndScanRecord(kEndScanRun);
    CHECK(Contains(ReadReport(), "\r\nThe report could not be written to " + head + "...; it is written here instead.\r\n"));
}

TEST_CASE_FIXTURE(ReportFixture, "files that could not be opened follow the passed-over kinds, named as the walk met them")
{
    for (int kind = 0; kind < kWalkSkipKinds; ++kind)
        g_scanState.walkSkipped[kind] = 0;
    g_scanReport.skippedPaths = WalkSkipPaths{};
    g_scanReport.unopenedPaths = UnopenedPaths{};
    g_scanState.filesUnopened = 0;
    NoteUnopenedFile(g_scanState, "C:\\inf\\held.exe");
    CHECK(g_scanState.filesUnopened == 1);
    BeginScanReport(g_scanState);
    ReportWalkSkips(g_scanState);
    EndScanRecord(kEndScanRun);
    CHECK(Contains(ReadReport(), "Names ending in a dot or a space\t\t:  0\r\n"
                                 "Files that could not be opened\t\t:  1\r\n"
                                 "\tC:\\inf\\held.exe\r\n"));
    g_scanState.filesUnopened = 0;
    g_scanReport.unopenedPaths = UnopenedPaths{};
}
