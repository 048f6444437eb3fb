// Autostart cleanup under Wine's real registry: which Run and RunServices values go, the lines,
// the remembered value, bounds on long names and data, and the hosts file handed to the mail-file
// detector. Run by autostart.test.sh in a prefix of its own, reported as Windows XP and as 98.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#define DOCTEST_CONFIG_NO_MULTITHREADING  // the win32-thread mingw has no std::mutex
#include <doctest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "run/scan_report.h"
#include "run/scan_state.h"
#include "detect/detect.h"
#include "disinfect/autostart.h"
#include "platform/version.h"
#include "tests/fixtures/fixtures.h"
#include "tests/lib/result_window.h"
#include "tests/lib/wine_registry.h"
#include "scan/scan_run.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kRemovedLine[] = "System Registry     W32/KYR.Trojan removed";

// Empties both machine autostart keys.
void ClearAutostartKeys()
{
    for (const char* subkey : {kRun, kRunServices}) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey);
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            RegCloseKey(key);
    }
}

void Detect(const char* path)
{
    std::memset(g_scanState.detectedPath, 0, sizeof(g_scanState.detectedPath));
    lstrcpynA(g_scanState.detectedPath, path, sizeof(g_scanState.detectedPath));
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "|") + line;
    return text;
}

}  // namespace

TEST_CASE("a Run value goes when it starts the detected file, by name in a system folder or by path")
{
    struct Row {
        const char* label;
        const char* detected;
        std::string data;
        DWORD type;
        bool deleted;
    };
    const Row rows[] = {
        {"bare name, file in \\system\\", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "mssys.exe", REG_SZ, true},
        {"bare name with arguments, file in \\system32\\", "C:\\WINDOWS\\SYSTEM32\\MSSYS.EXE", "MSSYS.EXE -q", REG_SZ,
         true},
        {"bare name, file outside the system folders: kept", "C:\\TEMP\\MSSYS.EXE", "mssys.exe", REG_SZ, false},
        {"data beginning with a backslash is bare: kept outside system", "C:\\TEMP\\MSSYS.EXE", "\\temp\\mssys.exe",
         REG_SZ, false},
        {"quoted path with arguments", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "\"C:\\WINDOWS\\SYSTEM\\MSSYS.EXE\" -s",
         REG_SZ, true},
        {"%windir% expanded", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "%windir%\\system\\mssys.exe", REG_EXPAND_SZ, true},
        {"longer name with the path as prefix (.BAK)", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE.BAK", REG_SZ, true},
        {"rundll32 in front: kept", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "rundll32.exe C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         REG_SZ, false},
        {"another program: kept", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "C:\\WINDOWS\\SYSTEM\\OTHER.EXE", REG_SZ, false},
        {"data longer than 260 bytes is read whole", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE " + std::string(400, 'a'), REG_SZ, true},
        {"long data naming the file only in an argument: kept", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         std::string(300, 'b') + " mssys.exe", REG_SZ, false},
        {"bare name without extension, in system", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "\"mssys\" -s", REG_SZ, true},
        {"another program whose name ends in the file's: kept", "C:\\WINDOWS\\SYSTEM32\\MON.EXE", "ctfmon.exe",
         REG_SZ, false},
        {"data expanding past 260 bytes", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         "%windir%\\system\\mssys.exe %windir%" + std::string(280, 'c'), REG_EXPAND_SZ, true},
        {"binary data without a terminator", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE",
         REG_BINARY, true},
        {"detected path without a backslash: scan ends", "MSSYS.EXE", "mssys.exe", REG_SZ, false},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        ClearAutostartKeys();
        SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxrow", row.data, row.type);
        SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxother", "notepad.exe");
        Detect(row.detected);
        g_scanState.autostartValueName[0] = '\0';
        ResultWindow sink;
        CHECK(CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector) == 1);
        CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxrow") == !row.deleted);
        CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxother"));
        CHECK(Joined(sink.allLines) == (row.deleted ? kRemovedLine : ""));
        CHECK(std::string(g_scanState.autostartValueName) == (row.deleted ? "tvxrow" : ""));
    }
}

TEST_CASE("a Run value naming the file in its other spelling goes: long for short and short for long")
{
    CreateDirectoryA("C:\\tvx spellings", nullptr);
    const std::string longPath = "C:\\tvx spellings\\Long Name Tool.exe";
    const std::string otherLong = "C:\\tvx spellings\\Long Name Other.exe";
    for (const std::string& path : {longPath, otherLong}) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CHECK(file != INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    char shortBuffer[MAX_PATH];
    CHECK(GetShortPathNameA(longPath.c_str(), shortBuffer, sizeof(shortBuffer)) > 0);
    const std::string shortPath = shortBuffer;
    CHECK(shortPath != longPath);
    struct Row {
        const char* label;
        std::string detected;
        std::string data;
        bool deleted;
    } rows[] = {
        {"found by its short path, value with the long one", shortPath, "\"" + longPath + "\" /tray", true},
        {"found by its long path, value with the short one", longPath, shortPath + " -q", true},
        {"found by its short path, value names the folder's other file", shortPath, otherLong, false},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        ClearAutostartKeys();
        SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxrow", row.data);
        Detect(row.detected.c_str());
        g_scanState.autostartValueName[0] = '\0';
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
        CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxrow") == !row.deleted);
        CHECK(Joined(sink.allLines) == (row.deleted ? kRemovedLine : ""));
    }
    DeleteFileA(longPath.c_str());
    DeleteFileA(otherLong.c_str());
    RemoveDirectoryA("C:\\tvx spellings");
}

TEST_CASE("adjacent matches all go, in both keys; the per-user key is never touched")
{
    ClearAutostartKeys();
    SetValue(HKEY_LOCAL_MACHINE, kRun, "a1", "mssys.exe");
    SetValue(HKEY_LOCAL_MACHINE, kRun, "a2", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
    SetValue(HKEY_LOCAL_MACHINE, kRun, "a3", "notepad.exe");
    SetValue(HKEY_LOCAL_MACHINE, kRunServices, "s1", "\"C:\\WINDOWS\\SYSTEM\\MSSYS.EXE\"");
    SetValue(HKEY_CURRENT_USER, kRun, "u1", "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
    Detect("C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
    g_scanState.autostartValueName[0] = '\0';
    ResultWindow sink;
    CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "a1"));
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "a2"));
    CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "a3"));
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRunServices, "s1"));
    CHECK(HasValue(HKEY_CURRENT_USER, kRun, "u1"));
    CHECK(Joined(sink.allLines) == std::string(kRemovedLine) + "|" + kRemovedLine + "|" + kRemovedLine);
    CHECK(std::string(g_scanState.autostartValueName) == "s1");
    // The cleanup compares a lower-cased copy; the detector's record of the path stays as detected.
    CHECK(std::string(g_scanState.detectedPath) == "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
}

// The scan report of these tests, in the temporary folder; read back whole.
struct ReportCapture {
    ReportCapture()
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof(folder), folder);
        path = std::string(folder) + "tvx_autostart_report.log";
        DeleteFileA(path.c_str());
        lstrcpynA(g_scanReport.filePath, path.c_str(), sizeof(g_scanReport.filePath));
        g_scanReport.recordOpen = true;
    }
    ~ReportCapture()
    {
        g_scanReport.recordOpen = false;
        DeleteFileA(path.c_str());
    }
    std::string Text() const
    {
        Bytes bytes;
        ReadWholeFile(path.c_str(), bytes);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string path;
};

TEST_CASE("the remembered value goes again only while it still starts an infected file")
{
    ClearAutostartKeys();
    std::memset(g_scanState.autostartValueName, 0, sizeof(g_scanState.autostartValueName));
    std::memset(g_scanState.autostartValueData, 0, sizeof(g_scanState.autostartValueData));
    SetValue(HKEY_LOCAL_MACHINE, kRun, "Updater", "C:\\TEMP\\MSSYS.EXE");
    SetValue(HKEY_LOCAL_MACHINE, kRunServices, "Updater", "C:\\Program Files\\Legit\\upd.exe");
    Detect("C:\\TEMP\\MSSYS.EXE");
    {
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
        CHECK(Joined(sink.allLines) == kRemovedLine);
        CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "Updater"));
        CHECK(HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Updater"));
        CHECK(std::string(g_scanState.autostartValueName) == "Updater");
        CHECK(std::string(g_scanState.autostartValueData) == "c:\\temp\\mssys.exe");
    }
    // The trojan writes its value again; the clean program's value of the same name stays, and the
    // report says why it was kept.
    SetValue(HKEY_LOCAL_MACHINE, kRun, "Updater", "c:\\temp\\MSSYS.exe");
    Detect("C:\\OTHER\\CLEAN.EXE");
    {
        ReportCapture report;
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Later.Trojan", MailFileDetector);
        CHECK(Joined(sink.allLines) == "System Registry     W32/KYR.Later.Trojan removed");
        CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "Updater"));
        CHECK(HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Updater"));
        CHECK(report.Text() == "System Registry     W32/KYR.Later.Trojan removed\r\n"
                               "System Registry value Updater in RunServices kept: it now starts another program: "
                               "c:\\program files\\legit\\upd.exe\r\n");
    }
    {
        // Nothing wrote it again: no line.
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Later.Trojan", MailFileDetector);
        CHECK(sink.allLines.empty());
        CHECK(std::string(g_scanState.autostartValueName) == "Updater");
    }
    // A value of that name that starts the file now detected goes too, even with other data.
    SetValue(HKEY_LOCAL_MACHINE, kRunServices, "Updater", "\"C:\\OTHER\\CLEAN.EXE\" /q");
    {
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Later.Trojan", MailFileDetector);
        CHECK(Joined(sink.allLines) == "System Registry     W32/KYR.Later.Trojan removed");
        CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Updater"));
    }
    // Without a main window the values still go, silently.
    SetValue(HKEY_LOCAL_MACHINE, kRun, "Updater", "C:\\TEMP\\MSSYS.EXE");
    SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxsilent", "C:\\OTHER\\CLEAN.EXE");
    g_scanState.mainWindow = nullptr;
    lstrcpynA(g_scanState.lineBuffer, "untouched", sizeof(g_scanState.lineBuffer));
    CleanAutostart(g_scanState, "W32/KYR.Later.Trojan", MailFileDetector);
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "Updater"));
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxsilent"));
    CHECK(std::string(g_scanState.lineBuffer) == "untouched");
}

TEST_CASE("ctfmon.exe stays when mon.exe in the system folder is detected")
{
    ClearAutostartKeys();
    g_scanState.autostartValueName[0] = '\0';
    SetValue(HKEY_LOCAL_MACHINE, kRun, "ctfmon.exe", "ctfmon.exe");
    SetValue(HKEY_LOCAL_MACHINE, kRun, "monitor", "mon.exe");
    Detect("C:\\windows\\system32\\mon.exe");
    ResultWindow sink;
    CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
    CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "ctfmon.exe"));
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "monitor"));
    CHECK(Joined(sink.allLines) == kRemovedLine);
}

TEST_CASE("a value whose expansion passes the limit still goes by its raw data")
{
    ClearAutostartKeys();
    g_scanState.autostartValueName[0] = '\0';
    // 20,000 characters four times: about 80 KB once expanded, from data of a few dozen bytes. (A
    // variable's value stays under 32,767 characters, the most the system keeps.)
    SetEnvironmentVariableA("TVXBIG", std::string(20000, 'p').c_str());
    SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxbig", "C:\\x\\evil.exe %TVXBIG%%TVXBIG%%TVXBIG%%TVXBIG%", REG_EXPAND_SZ);
    SetValue(HKEY_LOCAL_MACHINE, kRun, "tvxbigother", "C:\\x\\good.exe %TVXBIG%%TVXBIG%%TVXBIG%%TVXBIG%",
             REG_EXPAND_SZ);
    Detect("C:\\x\\evil.exe");
    ResultWindow sink;
    CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxbig"));
    CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, "tvxbigother"));
    CHECK(Joined(sink.allLines) == kRemovedLine);
    // Its expansion could not be kept: the value goes again only when it starts a detected file.
    CHECK(std::string(g_scanState.autostartValueData).empty());
    SetEnvironmentVariableA("TVXBIG", nullptr);
}

TEST_CASE("value names longer than the remembered-name buffer")
{
    ClearAutostartKeys();
    const std::string longName = "tvx" + std::string(197, 'n');  // 200 characters
    SetValue(HKEY_LOCAL_MACHINE, kRun, longName, "C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
    SetValue(HKEY_LOCAL_MACHINE, kRun, longName + "x", "notepad.exe");
    // What a cut-off copy of the name would name: it must survive the later detection.
    const std::string cutName = longName.substr(0, sizeof(g_scanState.autostartValueName) - 1);
    SetValue(HKEY_LOCAL_MACHINE, kRun, cutName, "notepad.exe");
    Detect("C:\\WINDOWS\\SYSTEM\\MSSYS.EXE");
    lstrcpynA(g_scanState.autostartValueName, "earlier", sizeof(g_scanState.autostartValueName));
    {
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
        CHECK(Joined(sink.allLines) == kRemovedLine);
    }
    CHECK_FALSE(HasValue(HKEY_LOCAL_MACHINE, kRun, longName));
    CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, longName + "x"));
    CHECK(std::string(g_scanState.autostartValueName).empty());
    Detect("C:\\OTHER\\CLEAN.EXE");
    CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
    CHECK(HasValue(HKEY_LOCAL_MACHINE, kRun, cutName));
}

TEST_CASE("the hosts file of this platform is handed to the mail-file detector")
{
    const int platform = GetPlatformCode();
    char folder[MAX_PATH];
    std::string expected;
    if (platform == 5) {
        GetSystemDirectoryA(folder, sizeof(folder));
        expected = std::string(folder) + "\\drivers\\etc\\hosts";
    } else {
        GetWindowsDirectoryA(folder, sizeof(folder));
        expected = std::string(folder) + "\\hosts";
    }
    char hostsPath[MAX_PATH];
    CHECK(GetHostsFilePath(platform, hostsPath, sizeof(hostsPath)));
    CHECK(std::string(hostsPath) == expected);
    CHECK_FALSE(GetHostsFilePath(1, hostsPath, sizeof(hostsPath)));
    char tooSmall[8];
    CHECK_FALSE(GetHostsFilePath(platform, tooSmall, sizeof(tooSmall)));

    ClearAutostartKeys();
    g_scanState.dispositionCode = kDispositionRemove;
    g_scanState.autostartValueName[0] = '\0';
    Detect("C:\\OTHER\\CLEAN.EXE");
    // An ordinary hosts file stays as it is, without a line.
    const Bytes ordinary = {'1', '2', '7', '.', '0', '.', '0', '.', '1', ' ', 'l', 'o', 'c', 'a', 'l', 'h', 'o', 's', 't', '\r', '\n'};
    CreateDirectoryA((std::string(folder) + "\\drivers").c_str(), nullptr);
    CreateDirectoryA((std::string(folder) + "\\drivers\\etc").c_str(), nullptr);
    CHECK(WriteWholeFile(expected.c_str(), ordinary));
    {
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
        CHECK(sink.allLines.empty());
        Bytes after;
        CHECK(ReadWholeFile(expected.c_str(), after));
        CHECK(after == ordinary);
    }
    // A hosts file that is the mail worm's file is claimed and removed by that detector.
    CHECK(WriteWholeFile(expected.c_str(), BuildMailFile(MailFixture())));
    {
        ResultWindow sink;
        CleanAutostart(g_scanState, "W32/KYR.Ag.PSW.Trojan", MailFileDetector);
        CHECK(sink.allLines.size() == 1);
        if (!sink.allLines.empty()) {
            const std::string& line = sink.allLines[0];
            CHECK(line.compare(0, expected.size() + 5, expected + "     ") == 0);
            CHECK(line.size() > 8);
            CHECK(line.compare(line.size() - 8, 8, " removed") == 0);
        }
        CHECK(GetFileAttributesA(expected.c_str()) == INVALID_FILE_ATTRIBUTES);
    }
    WriteWholeFile(expected.c_str(), ordinary);
}
