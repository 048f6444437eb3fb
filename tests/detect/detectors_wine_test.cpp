// The two detectors on real files: what they return, the scan state they leave, that the file is
// closed when they return, and the mail detector's own result lines.
#include <windows.h>

#define DOCTEST_CONFIG_NO_MULTITHREADING  // the win32-thread mingw has no std::mutex
#include <doctest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "run/scan_state.h"
#include "base/text.h"
#include "detect/detect.h"
#include "scan/walker.h"
#include "tests/fixtures/fixtures.h"
#include "tests/lib/file_holder.h"
#include "tests/lib/result_window.h"
#include "tests/lib/wine_files.h"
#include "scan/scan_run.h"

namespace {

// A folder of its own under the prefix's temporary folder, removed with what is left in it.
class TempFolder {
public:
    TempFolder()
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof(base), base);
        FormatText(m_path, sizeof(m_path), "%stvx-engine-%lu", base, GetCurrentProcessId());
        CreateDirectoryA(m_path, nullptr);
    }
    ~TempFolder()
    {
        for (const std::string& file : m_files) {
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(m_path);
    }
    std::string Write(const char* name, const Bytes& data)
    {
        std::string path = Path(name);
        WriteWholeFile(path.c_str(), data);
        return path;
    }
    std::string Pattern() const { return std::string(m_path) + "\\*.*"; }
    std::string Path(const char* name)
    {
        std::string path = std::string(m_path) + "\\" + name;
        m_files.push_back(path);
        return path;
    }

private:
    char m_path[MAX_PATH];
    std::vector<std::string> m_files;
};

void ResetScanState(int dispositionCode)
{
    HWND window = g_scanState.mainWindow;
    ResultSink* results = g_scanState.results;
    std::memset(&g_scanState, 0, sizeof(g_scanState));
    g_scanState.mainWindow = window;
    g_scanState.results = results;
    g_scanState.dispositionCode = dispositionCode;
}

Bytes RecordFile(int row, PeFault fault = PeFault::None)
{
    Bytes file;
    BuildRecordFixture(kSignatureTable[row], fault, file);
    return file;
}

}  // namespace

TEST_CASE("the detector table holds the signature detector and the end row")
{
    CHECK(std::string(kDetectorTable[0].name) == "W32/KYR.Trojan");
    CHECK((kDetectorTable[0].detect == SignatureDetector));
    CHECK(kDetectorTable[1].name == nullptr);
    CHECK((kDetectorTable[1].detect == nullptr));
}

TEST_CASE("a match is counted and handed on with the file already closed")
{
    TempFolder folder;
    ResultWindow sink;
    ResetScanState(kDispositionLeave);
    std::string path = folder.Write("sample.exe", RecordFile(1));
    std::memset(g_scanState.detectedPath, 'x', sizeof(g_scanState.detectedPath));

    CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 1);
    CHECK(g_scanState.filesInfected == 1);
    CHECK(std::string(g_scanState.currentName) == "W32/KYR.Fr.PSW.Trojan");
    CHECK(std::string(g_scanState.currentText) == path);
    CHECK_FALSE(g_scanState.memoryMatch);
    for (char c : g_scanState.detectedPath)
        CHECK(c == '\0');
    // Left in place by the user's choice, and deletable at once: no handle of ours remains.
    CHECK(Exists(path));
    CHECK(DeleteFileA(path.c_str()));
}

TEST_CASE("files that do not match, or cannot be read, are not handled and are closed")
{
    TempFolder folder;
    ResultWindow sink;
    struct Case {
        const char* label;
        Bytes data;
    };
    const Case cases[] = {
        {"one byte longer", RecordFile(0, PeFault::LengthPlusOne)},
        {"21 sections", RecordFile(0, PeFault::TwentyOneSections)},
        {"not a PE image", Bytes(100, 'A')},
        {"empty", Bytes()},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        ResetScanState(kDispositionRemove);
        std::string path = folder.Write("clean.exe", c.data);
        CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 0);
        CHECK(g_scanState.filesInfected == 0);
        CHECK(g_scanState.detectedPath[0] == '\0');
        CHECK(sink.allLines.empty());
        CHECK(DeleteFileA(path.c_str()));
    }
    ResetScanState(kDispositionRemove);
    CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", folder.Path("missing.exe").c_str()) == 0);
}

TEST_CASE("in memory mode a match is only reported")
{
    TempFolder folder;
    ResultWindow sink;
    ResetScanState(kDispositionRemove);
    g_scanState.memoryMode = true;
    std::string path = folder.Write("module.exe", RecordFile(kSignatureRecordCount - 1));

    CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 1);
    CHECK(g_scanState.memoryMatch);
    CHECK(g_scanState.filesInfected == 1);
    CHECK(std::string(g_scanState.currentName) == "W32/KYR.FMV.Trojan");
    // Kept until a later call clears it (the autostart cleanup may fold its case).
    CHECK(CompareNoCase(g_scanState.detectedPath, path.c_str()) == 0);
    CHECK(Exists(path));
    CHECK(g_scanState.filesRemoved == 0);
    CHECK(DeleteFileA(path.c_str()));
}

TEST_CASE("the memory-removal pass matches nothing and opens no file")
{
    TempFolder folder;
    ResultWindow sink;
    ResetScanState(kDispositionLeave);
    g_scanState.memoryDisposition = kDispositionLeave;
    std::string path = folder.Write("module.exe", RecordFile(0));
    CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 0);
    CHECK(g_scanState.filesInfected == 0);
    CHECK_FALSE(g_scanState.memoryMatch);
}

TEST_CASE("the autostart value name is cleared only before the first detection")
{
    TempFolder folder;
    ResultWindow sink;
    std::string path = folder.Write("clean.exe", Bytes(10, 'A'));
    struct Case {
        int32_t infected;
        bool cleared;
    };
    const Case cases[] = {{0, true}, {1, false}};
    for (const Case& c : cases) {
        CAPTURE(c.infected);
        ResetScanState(kDispositionLeave);
        g_scanState.filesInfected = c.infected;
        CopyText(g_scanState.autostartValueName, sizeof(g_scanState.autostartValueName), "runner");
        SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str());
        CHECK((g_scanState.autostartValueName[0] == '\0') == c.cleared);
    }
}

TEST_CASE("mail detector: disposal by the user's choice, one line each")
{
    TempFolder folder;
    MailFixture options;
    Bytes worm = BuildMailFile(options);
    struct Case {
        const char* label;
        int code;
        bool readOnly;
        bool targetTaken;
        const char* verb;       // nullptr: no line
        bool remains;
        int removed;
    };
    const Case cases[] = {
        {"remove", kDispositionRemove, false, false, "removed", false, 1},
        {"remove too", kDispositionRemoveToo, false, false, "removed", false, 1},
        {"remove a read-only file", kDispositionRemove, true, false, "Remove failed", true, 0},
        {"rename", kDispositionRename, false, false, "renamed", false, 0},
        {"rename onto a taken name", kDispositionRename, false, true, "Rename failed", true, 0},
        {"leave", kDispositionLeave, false, false, "Not Disinfected As Per User's Selection", true, 0},
        {"unknown code", 104, false, false, nullptr, true, 0},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        ResultWindow sink;
        ResetScanState(c.code);
        std::string path = folder.Write("hosts.txt", worm);
        std::string renamed = folder.Path("hosts.Vxt");
        if (c.targetTaken)
            folder.Write("hosts.Vxt", Bytes(3, 'x'));
        if (c.readOnly)
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);

        CHECK(MailFileDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 1);
        CHECK(g_scanState.filesInfected == 1);
        CHECK(g_scanState.filesRemoved == c.removed);
        CHECK(std::string(g_scanState.currentName) == "W32/Nyxem.Worm");
        CHECK(std::string(g_scanState.currentText) == path);
        if (c.verb == nullptr) {
            CHECK(sink.allLines.empty());
        } else {
            CHECK(sink.allLines.size() == 1);
            if (!sink.allLines.empty())
                CHECK(sink.allLines[0] == path + "     W32/Nyxem.Worm " + c.verb);
        }
        CHECK(Exists(path) == c.remains);
        if (c.code == kDispositionRename)
            CHECK(Exists(renamed));
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        DeleteFileA(renamed.c_str());
    }
}

TEST_CASE("mail detector: files without the worm are not handled")
{
    TempFolder folder;
    ResultWindow sink;
    MailFixture clean;
    clean.withPattern = false;
    MailFixture spaced;
    spaced.leadingSpace = true;
    const Bytes files[] = {BuildMailFile(clean), BuildMailFile(spaced), Bytes()};
    for (const Bytes& data : files) {
        ResetScanState(kDispositionRemove);
        std::string path = folder.Write("hosts", data);
        CHECK(MailFileDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == 0);
        CHECK(g_scanState.filesInfected == 0);
        CHECK(DeleteFileA(path.c_str()));  // closed again
    }
    CHECK(MailFileDetector(g_scanState, "W32/KYR.Trojan", folder.Path("absent").c_str()) == 0);
    CHECK(sink.allLines.empty());
}

TEST_CASE("a walk opens no file whose listed length no record accepts")
{
    TempFolder folder;
    ResultWindow sink;
    ResetScanState(kDispositionRemove);
    const int32_t rowLength = kSignatureTable[0].fileSize;
    folder.Write("empty.txt", Bytes());
    folder.Write("short.bin", Bytes(10, 'A'));
    folder.Write("row1-minus-one.bin", Bytes(static_cast<size_t>(rowLength - 1), 'A'));
    folder.Write("row1-plus-one.exe", RecordFile(0, PeFault::LengthPlusOne));
    folder.Write("row2-minus-one.exe", RecordFile(1, PeFault::LengthMinusOne));
    CopyText(g_scanState.autostartValueName, sizeof(g_scanState.autostartValueName), "runner");
    std::memset(g_scanState.detectedPath, 'x', sizeof(g_scanState.detectedPath));
    int32_t opens = g_signatureFileOpens;

    CHECK(WalkDirectory(g_scanState, folder.Pattern().c_str()) == kWalkCompleted);
    CHECK(g_signatureFileOpens == opens);
    CHECK(g_scanState.filesScanned == 5);
    CHECK(g_scanState.filesInfected == 0);
    CHECK(sink.allLines.empty());
    // As after a file that was opened and matched no record.
    CHECK(g_scanState.autostartValueName[0] == '\0');
    for (char c : g_scanState.detectedPath)
        CHECK(c == '\0');
    CHECK_FALSE(g_scanState.listedLength.known);
}

TEST_CASE("a walk opens and judges a file of a record's length as before")
{
    TempFolder folder;
    struct Case {
        const char* label;
        Bytes data;
        int32_t infected;
    };
    const Case cases[] = {
        {"row 1, one run byte changed", RecordFile(0, PeFault::RunByteChanged), 0},
        {"row 1 with 21 sections", RecordFile(0, PeFault::TwentyOneSections), 0},
        {"row 1's length, not a PE image", Bytes(static_cast<size_t>(kSignatureTable[0].fileSize), 'A'), 0},
        {"row 748", RecordFile(kSignatureRecordCount - 1), 1},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        ResultWindow sink;
        ResetScanState(kDispositionRemove);
        std::string path = folder.Write("sample.exe", c.data);
        int32_t opens = g_signatureFileOpens;
        CHECK(WalkDirectory(g_scanState, folder.Pattern().c_str()) == kWalkCompleted);
        CHECK(g_signatureFileOpens == opens + 1);
        CHECK(g_scanState.filesInfected == c.infected);
        CHECK(Exists(path) == (c.infected == 0));
        CHECK(sink.allLines.size() == static_cast<size_t>(c.infected));
        DeleteFileA(path.c_str());
    }
}

TEST_CASE("the listed length only decides whether the file is opened; the open file is judged")
{
    TempFolder folder;
    ResultWindow sink;
    const int64_t rowLength = kSignatureTable[0].fileSize;
    struct Case {
        const char* label;
        Bytes data;
        bool listed;        // false: not the walker, the length is unknown
        int64_t listedLength;
        int opens;
        int result;
    };
    const Case cases[] = {
        {"unknown length, no record's length", Bytes(10, 'A'), false, 0, 1, 0},
        {"unknown length, a match", RecordFile(0), false, 0, 1, 1},
        {"listed as a record's length, shorter when opened", Bytes(10, 'A'), true, rowLength, 1, 0},
        {"listed as a record's length, a match when opened", RecordFile(0), true, rowLength, 1, 1},
        {"listed as no record's length, a match when opened", RecordFile(0), true, rowLength + 1, 0, 0},
        {"listed above 4 GiB", RecordFile(0), true, (int64_t(1) << 32) + rowLength, 0, 0},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        ResetScanState(kDispositionLeave);
        std::string path = folder.Write("sample.exe", c.data);
        g_scanState.listedLength.known = c.listed;
        g_scanState.listedLength.bytes = c.listedLength;
        int32_t opens = g_signatureFileOpens;
        CHECK(SignatureDetector(g_scanState, "W32/KYR.Trojan", path.c_str()) == c.result);
        CHECK(g_signatureFileOpens == opens + c.opens);
        CHECK(g_scanState.filesInfected == c.result);
        CHECK(DeleteFileA(path.c_str()));
    }
    ResetScanState(kDispositionLeave);
}

// Skipped where the test programs run from the build folder (Wine starts no program from there);
// held_file.test.sh runs it from inside the prefix with the helper beside it.
TEST_CASE("files another program holds open for writing, sharing reads and writes, are still matched" *
          doctest::skip())
{
    TempFolder folder;
    ResultWindow sink;
    std::string sample = folder.Write("held.exe", RecordFile(1));
    std::string mail = folder.Write("held.txt", BuildMailFile(MailFixture()));
    struct Case {
        const char* label;
        const std::string& path;
        int (*detect)(ScanState&, const char*, const char*);
        const char* name;
    };
    const Case cases[] = {
        {"signature detector", sample, SignatureDetector, "W32/KYR.Fr.PSW.Trojan"},
        {"mail detector", mail, MailFileDetector, "W32/Nyxem.Worm"},
    };
    for (const Case& c : cases) {
        INFO(std::string(c.label));
        FileHolder holder(HelperPath("lock_holder.exe"), c.path, true);
        CHECK(holder.Started());
        // A reader that refuses write sharing is turned away, so the detector's sharing is what counts.
        SetSentinelError();
        HANDLE denied = CreateFileA(c.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK(denied == INVALID_HANDLE_VALUE);
        CHECK(GetLastError() == ERROR_SHARING_VIOLATION);
        if (denied != INVALID_HANDLE_VALUE)
            CloseHandle(denied);
        ResetScanState(kDispositionLeave);
        CHECK(c.detect(g_scanState, "W32/KYR.Trojan", c.path.c_str()) == 1);
        CHECK(g_scanState.filesInfected == 1);
        CHECK(std::string(g_scanState.currentName) == c.name);
    }
}
