// The walker in process: memory mode, cancelling messages, and the depth bound on a deep tree.
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "run/scan_report.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "scan/walker.h"
#include "tests/lib/result_window.h"
#include "scan/scan_run.h"
#include "tests/lib/wine_files.h"

namespace {

std::vector<std::string> g_offered;
std::vector<ListedLength> g_offeredLengths;

int RecordingDetector(ScanState&, const char*, const char* path)
{
    g_offered.push_back(path);
    g_offeredLengths.push_back(g_scanState.listedLength);
    return 0;
}

const DetectorEntry kRecordingTable[] = {{"Test.Record", RecordingDetector}, {nullptr, nullptr}};

// Points the walker at the recording table and resets what the tests read; undone at the end.
struct WalkFixture {
    WalkFixture()
    {
        g_walkDetectors = kRecordingTable;
        g_offered.clear();
        g_offeredLengths.clear();
        g_scanState.filesScanned = 0;
        g_scanState.cancelRequested = false;
        g_scanState.memoryMode = false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    ~WalkFixture()
    {
        g_walkDetectors = kDetectorTable;
        g_scanState.cancelRequested = false;
        g_scanState.memoryMode = false;
    }
};

void WriteFile(const std::string& path, DWORD length = 0)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    std::vector<char> bytes(length, 'x');
    DWORD written = 0;
    if (length > 0)
        CHECK(::WriteFile(file, bytes.data(), length, &written, nullptr));
    CloseHandle(file);
}

}  // namespace

TEST_CASE("memory mode walks the one file given: shown, offered, not counted, no folder pass")
{
    WalkFixture fixture;
    ResultWindow sink;
    std::string folder = MakeTempFolder("tvx-walk-memory");
    std::string file = folder + "\\module.exe";
    WriteFile(file);
    g_scanState.memoryMode = true;
    g_scanState.memoryMatch = true;
    CHECK(WalkDirectory(g_scanState, file.c_str()) == kWalkCompleted);
    CHECK(g_offered == std::vector<std::string>{file});
    CHECK(sink.currentTexts.size() == 1);
    CHECK_FALSE(g_scanState.memoryMatch);  // cleared by every walk
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_CASE("a pending quit or destroy message cancels the walk at its first check")
{
    struct Row {
        const char* label;
        UINT message;
    } rows[] = {{"WM_QUIT", WM_QUIT}, {"WM_DESTROY", WM_DESTROY}};
    std::string folder = MakeTempFolder("tvx-walk-cancel");
    WriteFile(folder + "\\a.txt");
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        WalkFixture fixture;
        ResultWindow sink;
        PostMessageA(sink.Window(), row.message, 0, 0);
        CHECK(WalkDirectory(g_scanState, (folder + "\\*.*").c_str()) == kWalkCancelled);
        CHECK(g_scanState.cancelRequested);
        CHECK(g_offered.empty());
        CHECK(sink.currentTexts.empty());
        CHECK(IsWindow(sink.Window()));  // the message was not dispatched
    }
    DeleteFileA((folder + "\\a.txt").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_CASE("the walk enters at most kMaxWalkDepth folder levels")
{
    WalkFixture fixture;
    ResultWindow sink;
    std::string root = MakeTempFolder("tvx-walk-deep");
    std::vector<std::string> folders;
    std::string folder = root;
    for (int level = 1; level <= kMaxWalkDepth + 1; ++level) {
        folder += "\\d";
        CHECK(CreateDirectoryA(folder.c_str(), nullptr));
        folders.push_back(folder);
        WriteFile(folder + "\\f");
    }
    int32_t tooDeepBefore = g_scanState.walkSkipped[kSkipTooDeep];
    int32_t keptBefore = g_scanReport.skippedPaths.kept[kSkipTooDeep];
    CHECK(WalkDirectory(g_scanState, (root + "\\*.*").c_str()) == kWalkCompleted);
    CHECK(g_scanState.filesScanned == kMaxWalkDepth);
    // The folder the bound keeps out is counted and named for the report.
    CHECK(g_scanState.walkSkipped[kSkipTooDeep] == tooDeepBefore + 1);
    if (keptBefore < kReportedSkipPaths)
        CHECK(std::string(g_scanReport.skippedPaths.paths[kSkipTooDeep][keptBefore]) == folders[kMaxWalkDepth]);
    CHECK(g_offered.size() == static_cast<size_t>(kMaxWalkDepth));
    CHECK(g_offered.back() == folders[kMaxWalkDepth - 1] + "\\f");
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        DeleteFileA((*it + "\\f").c_str());
        RemoveDirectoryA(it->c_str());
    }
    RemoveDirectoryA(root.c_str());
}

TEST_CASE("each offered file carries its listed length, which is unknown again once it was offered")
{
    std::string folder = MakeTempFolder("tvx-walk-length");
    WriteFile(folder + "\\empty", 0);
    WriteFile(folder + "\\module.exe", 73775);
    struct Row {
        const char* label;
        bool memory;
    } rows[] = {{"drive walk", false}, {"memory mode", true}};
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        WalkFixture fixture;
        ResultWindow sink;
        g_scanState.memoryMode = row.memory;
        WalkDirectory(g_scanState, row.memory ? (folder + "\\module.exe").c_str() : (folder + "\\*.*").c_str());
        CHECK(g_offered.size() == (row.memory ? 1u : 2u));
        for (size_t i = 0; i < g_offered.size() && i < g_offeredLengths.size(); ++i) {
            INFO(g_offered[i]);
            CHECK(g_offeredLengths[i].known);
            bool module = g_offered[i].find("module.exe") != std::string::npos;
            CHECK(g_offeredLengths[i].bytes == (module ? 73775 : 0));
        }
        CHECK_FALSE(g_scanState.listedLength.known);
    }
    DeleteFileA((folder + "\\empty").c_str());
    DeleteFileA((folder + "\\module.exe").c_str());
    RemoveDirectoryA(folder.c_str());
}
