// Disposal of detected files under Wine: every disposition code, the memory-removal pass, a held
// file scheduled for deletion at restart (NT: pending-rename list; 9x: wininit.ini), and a file
// whose own running program is ended. Run by dispose.test.sh twice, reported as Windows XP and as
// Windows 98, in prefixes of its own; the script restarts each prefix and checks the files went.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#define DOCTEST_CONFIG_NO_MULTITHREADING  // the win32-thread mingw has no std::mutex
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "run/scan_state.h"
#include "disinfect/dispose.h"
#include "disinfect/restart_move.h"
#include "platform/held_file.h"
#include "platform/version.h"
#include "tests/fixtures/fixtures.h"
#include "tests/lib/file_holder.h"
#include "tests/lib/result_window.h"
#include "tests/lib/wine_files.h"
#include "scan/scan_run.h"

namespace {

const char kName[] = "W32/KYR.Ag.PSW.Trojan";
const char kShownPath[] = "C:\\...\\shown.exe";      // currentText: the walker's shortened path
const char kShownName[] = "W32/KYR.Shown.Trojan";  // currentName

std::string WininitPath()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\wininit.ini";
}

void ResetState()
{
    g_scanState.dispositionCode = kDispositionRemove;
    g_scanState.memoryDisposition = 0;
    g_scanState.restartNeeded = 0;
    g_scanState.filesRemoved = 0;
    lstrcpynA(g_scanState.currentText, kShownPath, sizeof(g_scanState.currentText));
    lstrcpynA(g_scanState.currentName, kShownName, sizeof(g_scanState.currentName));
}

// Closes the message boxes the process-ending step shows when it finds nothing to end (9x).
DWORD WINAPI DismissMessageBoxes(void*)
{
    for (;;) {
        HWND box = FindWindowA("#32770", nullptr);
        DWORD owner = 0;
        if (box != nullptr && GetWindowThreadProcessId(box, &owner) && owner == GetCurrentProcessId())
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        Sleep(100);
    }
}

void StartDismissingMessageBoxes()
{
    static bool started = false;
    if (!started)
        CloseHandle(CreateThread(nullptr, 0, DismissMessageBoxes, nullptr, 0, nullptr));
    started = true;
}

// Lines joined by '|' so that a failed check shows them.
std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "|") + line;
    return text;
}

std::string PendingRenames()
{
    HKEY key;
    std::string data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return data;
    DWORD size = 0;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return data;
}

}  // namespace

TEST_CASE("each disposition code does its one thing and reports it in one line")
{
    const std::string dir = "C:\\tvxdisp\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "a.b").c_str(), nullptr);
    struct Row {
        const char* label;
        int code;
        const char* create;   // file made before the call ("" none)
        DWORD attributes;
        const char* path;     // what is disposed of
        const char* line;     // expected line, "" none; %P path, %S the shown path and name
        const char* gone;     // must not exist afterwards ("" no check)
        const char* present;  // must exist afterwards ("" no check)
        int removed;
    };
    const Row rows[] = {
        {"plain file removed", 100, "plain.exe", 0, "plain.exe", "%P     W32/KYR.Ag.PSW.Trojan removed", "plain.exe", "", 1},
        {"read-only hidden system file removed (code 102)", 102, "rhs.exe",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, "rhs.exe",
         "%P     W32/KYR.Ag.PSW.Trojan removed", "rhs.exe", "", 1},
        {"attributes cannot be set: shown path and name, nothing scheduled", 100, "", 0, "missing.exe",
         "%S Unable to remove", "", "", 0},
        {"renamed: the character after the last dot becomes V", 101, "run.exe", 0, "run.exe",
         "%P     W32/KYR.Ag.PSW.Trojan renamed", "run.exe", "run.Vxe", 0},
        {"rename changes the folder part when the name has no dot", 101, "a.b\\file", 0, "a.b\\file",
         "%P     W32/KYR.Ag.PSW.Trojan Rename failed", "", "a.b\\file", 0},
        {"rename onto an existing file fails", 101, "twice.exe", 0, "twice.exe",
         "%P     W32/KYR.Ag.PSW.Trojan Rename failed", "", "twice.exe", 0},
        {"path ending in a dot gets a V after it", 101, "trail", 0, "trail.",
         "%P     W32/KYR.Ag.PSW.Trojan renamed", "trail", "trail.V", 0},
        {"left as the user chose: shown path and name", 103, "left.exe", 0, "left.exe",
         "%S not disinfected as per user's selection", "", "left.exe", 0},
        {"unknown code: nothing done, nothing said", 7, "odd.exe", 0, "odd.exe", "", "", "odd.exe", 0},
    };
    WriteBytes(dir + "twice.Vxe", "x");
    // Each row by path, then through a handle held from the match as the signature detector holds
    // it (which it has only for a file it could open).
    for (int throughHandle = 0; throughHandle < 2; ++throughHandle)
    for (const Row& row : rows) {
        if (throughHandle && row.create[0] == '\0')
            continue;
        const std::string label = std::string(row.label) + (throughHandle ? ", through the handle" : ", by path");
        INFO(label);
        ResetState();
        if (throughHandle && row.present[0] != '\0' && std::string(row.present) != row.create)
            DeleteFileA((dir + row.present).c_str());
        g_scanState.dispositionCode = row.code;
        if (row.create[0] != '\0') {
            WriteBytes(dir + row.create, "MZ infected");
            if (row.attributes != 0)
                SetFileAttributesA((dir + row.create).c_str(), row.attributes);
        }
        std::string path = dir + row.path;
        std::string expected = row.line;
        if (expected.compare(0, 2, "%P") == 0)
            expected = path + expected.substr(2);
        else if (expected.compare(0, 2, "%S") == 0)
            expected = std::string(kShownPath) + "     " + kShownName + expected.substr(2);
        ResultWindow sink;
        if (throughHandle) {
            HeldFile file;
            CHECK(file.Open(path.c_str()));
            DisposeMatchedFile(g_scanState, path.c_str(), kName, file);
        } else {
            DisposeInfectedFile(g_scanState, path.c_str(), kName);
        }
        CHECK(Joined(sink.allLines) == expected);
        if (row.gone[0] != '\0')
            CHECK_FALSE(Exists(dir + row.gone));
        if (row.present[0] != '\0')
            CHECK(Exists(dir + row.present));
        CHECK(g_scanState.filesRemoved == row.removed);
        CHECK(g_scanState.restartNeeded == 0);
    }
}

TEST_CASE("a name ending in a dot or a space is reported as listed, also by the lines of the shown path")
{
    // As the walker leaves it for such a name: reached through its short path, shown as listed; the
    // signature detector then puts the path it was handed into currentText.
    const std::string shortPath = "C:\\tvxdisp\\TRAIL~1";
    struct Row {
        const char* label;
        int code;
        const char* listed;
        const char* outcome;
    };
    const Row rows[] = {
        {"attributes cannot be set (no such file)", kDispositionRemove, "C:\\tvxdisp\\trail.", "Unable to remove"},
        {"ending in a space, left as the user chose", kDispositionLeave, "C:\\tvxdisp\\trail ",
         "not disinfected as per user's selection"},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        ResetState();
        g_scanState.dispositionCode = row.code;
        lstrcpynA(g_scanState.listedPath, row.listed, sizeof(g_scanState.listedPath));
        lstrcpynA(g_scanState.listedFor, shortPath.c_str(), sizeof(g_scanState.listedFor));
        lstrcpynA(g_scanState.currentText, shortPath.c_str(), sizeof(g_scanState.currentText));
        lstrcpynA(g_scanState.currentName, kName, sizeof(g_scanState.currentName));
        ResultWindow sink;
        DisposeInfectedFile(g_scanState, shortPath.c_str(), kName);
        CHECK(Joined(sink.allLines) == std::string(row.listed) + "     " + kName + " " + row.outcome);
        g_scanState.listedPath[0] = '\0';
        g_scanState.listedFor[0] = '\0';
    }
}

TEST_CASE("memory-removal pass: System Memory line, then removal under the family name")
{
    ResetState();
    g_scanState.dispositionCode = kDispositionLeave;
    g_scanState.memoryDisposition = kDispositionRemove;
    const std::string path = "C:\\tvxdisp\\memory.exe";
    CreateDirectoryA("C:\\tvxdisp", nullptr);
    // The second look matches the module again before anything is done to it.
    Bytes infected;
    CHECK(BuildRecordFixture(kSignatureTable[0], PeFault::None, infected));
    CHECK(WriteWholeFile(path.c_str(), infected));
    ResultWindow sink;
    RemoveFromMemory(g_scanState, path.c_str(), "W32/KYR.Trojan");
    CHECK(Joined(sink.allLines) == "System Memory    W32/KYR.Trojan removed|" + path + "     W32/KYR.Trojan removed");
    CHECK(g_scanState.dispositionCode == kDispositionRemove);
    CHECK_FALSE(Exists(path));
}

TEST_CASE("memory-removal pass: a module that no longer matches is left")
{
    ResetState();
    g_scanState.memoryDisposition = kDispositionRemove;
    g_scanState.findsLeftBehind = 0;
    const std::string path = "C:\\tvxdisp\\replaced.exe";
    CreateDirectoryA("C:\\tvxdisp", nullptr);
    WriteBytes(path, "MZ another program now");
    ResultWindow sink;
    RemoveFromMemory(g_scanState, path.c_str(), "W32/KYR.Trojan");
    CHECK(Joined(sink.allLines) == "System Memory    W32/KYR.Trojan removed");
    CHECK(Exists(path));
    CHECK(g_scanState.findsLeftBehind == 1);
    CHECK(g_scanState.filesRemoved == 0);
}

TEST_CASE("NT: a matched file the tool may act on leaves its path at once; the restart gets only the tool's folder")
{
    if (GetPlatformCode() == 4)
        return;
    const std::string path = "C:\\tvxnow\\now.exe";
    CreateDirectoryA("C:\\tvxnow", nullptr);
    Bytes infected;
    CHECK(BuildRecordFixture(kSignatureTable[0], PeFault::None, infected));
    CHECK(WriteWholeFile(path.c_str(), infected));
    HeldFile file;
    CHECK(file.OpenForAction(path.c_str()));
    char why[300];
    CHECK(ScheduleMoveAtRestart(path.c_str(), kName, file, why, sizeof(why)) == kScheduleMove);
    file.Close();
    CHECK_FALSE(Exists(path));
    const std::string pending = PendingRenames();
    CHECK(pending.find("\\??\\C:\\TarvexRestart\\") != std::string::npos);
    CHECK(pending.find("tvxnow") == std::string::npos);

    // Should the restart not have deleted it, the step after the restart does, and says so.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    const std::string report = std::string(windows) + "\\Tarvex.log";
    DeleteFileA(report.c_str());
    CHECK(FinishAfterRestart() == 0);
    CHECK(ReadBytes(report).find("after the restart: " + path + "     " + kName + " removed") != std::string::npos);
    WIN32_FIND_DATAA entry;
    HANDLE left = FindFirstFileA("C:\\TarvexRestart\\*.mov", &entry);
    CHECK(left == INVALID_HANDLE_VALUE);
    if (left != INVALID_HANDLE_VALUE)
        FindClose(left);
}

TEST_CASE("9x: wininit.ini is rewritten whole, with its line ends, and never from a stale copy")
{
    if (GetPlatformCode() != 4)
        return;
    const std::string ini = WininitPath();
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    const std::string copy = std::string(temp) + "wininit.ini";

    // An older read-only copy in the temporary folder must not be what is written back.
    WriteBytes(copy, "[rename]\r\nNUL=C:\\STALE.EXE\r\n");
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string old = "[boot]\r\nshell=x\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n[Other]\r\nx=1";
    WriteBytes(ini, old);
    CHECK(AddWininitRename("NUL", "C:\\NEW.EXE"));
    CHECK(ReadBytes(ini) == "[boot]\r\nshell=x\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\NEW.EXE\r\n[Other]\r\nx=1");
    CHECK(ReadBytes(copy) == old);  // the copy stays behind

    // Unended last line, no [rename] section yet.
    WriteBytes(ini, "[boot]\r\nshell=x");
    CHECK(AddWininitRename("NUL", "C:\\NEW.EXE"));
    CHECK(ReadBytes(ini) == "[boot]\r\nshell=x\r\n[rename]\r\nNUL=C:\\NEW.EXE\r\n");

    // A wininit.ini that cannot be opened for writing (held by another program) is left as it was.
    WriteBytes(ini, old);
    {
        FileHolder holder(HelperPath("lock_holder.exe"), ini);
        CHECK(holder.Started());
        CHECK_FALSE(AddWininitRename("NUL", "C:\\NEW.EXE"));
    }
    CHECK(ReadBytes(ini) == old);

    // No short form (the file is not there): the full path is written.
    DeleteFileA(ini.c_str());
    const char gone[] = "C:\\tvx no such folder\\gone file.exe";
    CHECK(ScheduleDeleteAtRestart(gone) == 1);
    CHECK(ReadBytes(ini) == std::string("[rename]\r\nNUL=") + gone + "\r\n");
    DeleteFileA(ini.c_str());
}

BOOL WINAPI MoveFileExMissing(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL WINAPI MoveFileExRefused(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_CASE("9x: the new wininit.ini replaces the old one only when it was written whole")
{
    if (GetPlatformCode() != 4)
        return;
    const std::string ini = WininitPath();
    const std::string temp = ini.substr(0, ini.size() - 4) + ".tvx";
    const std::string old = "[rename]\r\nNUL=C:\\OTHER.EXE\r\n[boot]\r\nx=1\r\n";
    const std::string updated = "[rename]\r\nNUL=C:\\OTHER.EXE\r\nNUL=C:\\NEW.EXE\r\n[boot]\r\nx=1\r\n";

    INFO("no replacing rename (Windows 95/98/ME): delete, then rename");
    WriteBytes(ini, old);
    CHECK(AddWininitRenameWith("NUL", "C:\\NEW.EXE", MoveFileExMissing));
    CHECK(ReadBytes(ini) == updated);
    CHECK_FALSE(Exists(temp));
    DeleteFileA(ini.c_str());
    CHECK(AddWininitRenameWith("NUL", "C:\\NEW.EXE", MoveFileExMissing));
    CHECK(ReadBytes(ini) == "[rename]\r\nNUL=C:\\NEW.EXE\r\n");

    INFO("the replacing rename refused: old file whole, nothing left behind");
    WriteBytes(ini, old);
    CHECK_FALSE(AddWininitRenameWith("NUL", "C:\\NEW.EXE", MoveFileExRefused));
    CHECK(ReadBytes(ini) == old);
    CHECK_FALSE(Exists(temp));

    INFO("the temporary file cannot be written: old file whole");
    CHECK(CreateDirectoryA(temp.c_str(), nullptr));
    CHECK_FALSE(AddWininitRename("NUL", "C:\\NEW.EXE"));
    CHECK(ReadBytes(ini) == old);
    RemoveDirectoryA(temp.c_str());

    INFO("a whole rewrite with the system's own rename");
    CHECK(AddWininitRename("NUL", "C:\\NEW.EXE"));
    CHECK(ReadBytes(ini) == updated);
    CHECK_FALSE(Exists(temp));
    DeleteFileA(ini.c_str());
}

TEST_CASE("a held file is reported and its deletion registered for the next start")
{
    StartDismissingMessageBoxes();
    const bool nineX = GetPlatformCode() == 4;
    const std::string dir = "C:\\tvx locked folder\\";
    const std::string held = dir + "held file.exe";
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteBytes(held, "MZ held");
    DeleteFileA(WininitPath().c_str());
    ResetState();
    {
        FileHolder holder(HelperPath("lock_holder.exe"), held);
        CHECK(holder.Started());
        ResultWindow sink;
        DisposeInfectedFile(g_scanState, held.c_str(), kName);
        CHECK(Joined(sink.allLines) == held + "     W32/KYR.Ag.PSW.Trojan Unable to remove");
        CHECK(g_scanState.restartNeeded == 1);
        CHECK(g_scanState.filesRemoved == 0);
        CHECK(Exists(held));
        if (nineX) {
            char shortPath[MAX_PATH];
            CHECK(GetShortPathNameA(held.c_str(), shortPath, sizeof(shortPath)) > 0);
            CHECK(std::string(shortPath) != held);
            CHECK(ReadBytes(WininitPath()) == "[rename]\r\nNUL=" + std::string(shortPath) + "\r\n");
        } else {
            CHECK(PendingRenames().find("\\??\\" + held) != std::string::npos);
            CHECK(ReadBytes(WininitPath()) == "<absent>");
        }
    }
    if (nineX) {
        // A later request that cannot be written leaves the restart the first one needs.
        const std::string second = dir + "second.exe";
        WriteBytes(second, "MZ second");
        std::string before = ReadBytes(WininitPath());
        FileHolder iniHolder(HelperPath("lock_holder.exe"), WininitPath());
        CHECK(iniHolder.Started());
        FileHolder holder(HelperPath("lock_holder.exe"), second);
        CHECK(holder.Started());
        ResultWindow sink;
        DisposeInfectedFile(g_scanState, second.c_str(), kName);
        CHECK(Joined(sink.allLines) == second + "     W32/KYR.Ag.PSW.Trojan Unable to remove");
        CHECK(g_scanState.restartNeeded == 1);
        CHECK(ReadBytes(WininitPath()) == before);
    }
}

TEST_CASE("a file held by its own running program: the program is ended and the file removed")
{
    StartDismissingMessageBoxes();
    const std::string own = "C:\\tvxdisp\\ownprog.exe";
    CreateDirectoryA("C:\\tvxdisp", nullptr);
    CHECK(CopyFileA(HelperPath("lock_holder.exe").c_str(), own.c_str(), FALSE));
    ResetState();
    FileHolder holder(own, "-self");
    CHECK(holder.Started());
    ResultWindow sink;
    DisposeInfectedFile(g_scanState, own.c_str(), kName);
    CHECK(Joined(sink.allLines) == own + "     W32/KYR.Ag.PSW.Trojan removed");
    CHECK(holder.Ended(5000));
    CHECK_FALSE(Exists(own));
    CHECK(g_scanState.filesRemoved == 1);
    CHECK(g_scanState.restartNeeded == 0);
}

TEST_CASE("NT: a deletion the system refused to register asks for no restart")
{
    if (GetPlatformCode() != 5)
        return;
    // A path longer than the A-function path limit: MoveFileExA fails.
    std::string tooLong = "C:\\" + std::string(300, 'x') + ".exe";
    CHECK(ScheduleDeleteAtRestart(tooLong.c_str()) == 0);
    CHECK(PendingRenames().find(std::string(300, 'x')) == std::string::npos);
}
