// Test host for the moment between a match and the removal. It offers one file to the product's
// signature detector; the autostart cleanup runs between the match and the disposal, and when it
// reports the Run value the host planted for the file, the host does there what someone who can
// write the file's folder would do at that moment:
//   swap_host replace PATH  renames PATH away and puts a clean file in its place (if it can)
//   swap_host link PATH     writes C:\swap.go and waits for C:\swap.done, while the script swaps a
//                           folder of PATH for a link
// Then it prints every result line (LINE ...) and what the seam did (SEAM ...); the scan report
// goes to C:\swap.log.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/product.h"
#include "detect/detect.h"
#include "platform/version.h"
#include "run/report_sink.h"
#include "run/run_options.h"
#include "run/result_sink.h"
#include "run/scan_state.h"
#include "scan/scan_run.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "swap victim";
std::vector<std::string> g_lines;
std::string g_mode;
std::string g_path;
bool g_seamDone = false;

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void Seam()
{
    g_seamDone = true;
    if (g_mode == "replace") {
        std::string away = g_path + ".away";
        if (!MoveFileA(g_path.c_str(), away.c_str())) {
            g_lines.push_back("SEAM rename refused");
            return;
        }
        HANDLE clean = CreateFileA(g_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD written = 0;
        WriteFile(clean, "clean program", 13, &written, nullptr);
        CloseHandle(clean);
        g_lines.push_back("SEAM replaced");
        return;
    }
    HANDLE go = CreateFileA("C:\\swap.go", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(go, "go", 2, &written, nullptr);
    CloseHandle(go);
    for (int tenths = 0; tenths < 1200 && !Exists("C:\\swap.done"); ++tenths)
        Sleep(100);
    g_lines.push_back(Exists("C:\\swap.done") ? "SEAM folder swapped" : "SEAM no swap");
}

// Takes the results as the window would (a refused action is the report's alone) and springs the
// seam at the autostart cleanup's line.
class SeamSink : public ResultSink {
public:
    void Result(const ScanResult& result) override
    {
        if (result.line == nullptr || result.kind == ResultKind::kRefused)
            return;
        g_lines.push_back(std::string("LINE ") + result.line);
        if (!g_seamDone && std::strncmp(result.line, "System Registry", 15) == 0)
            Seam();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    g_mode = argv[1];
    g_path = argv[2];
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0 ||
        RegSetValueExA(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(g_path.c_str()),
                       static_cast<DWORD>(g_path.size() + 1)) != 0)
        return 3;
    RegCloseKey(key);

    // As a quiet run: the results reach the report and the seam's sink, no box is shown.
    g_runOptions.quiet = true;
    g_scanState.dispositionCode = kDispositionRemove;
    ReportOpening opening = {false, {}, GetPlatformCode(), GetNtVersionCode(), "C:\\swap.log", ""};
    ReportSink report(opening);
    SeamSink seam;
    ResultFanOut results;
    results.Add(report);
    results.Add(seam);
    g_scanState.results = &results;
    results.ScanStarted(ScanStartFacts{true, "", "", false, ""});
    int found = SignatureDetector(g_scanState, kFamilyDetectionName, g_path.c_str());
    ScanEndFacts end = {};
    end.reportPath = "";
    results.ScanEnded(end);
    g_scanState.results = nullptr;
    for (const std::string& line : g_lines)
        std::printf("%s\n", line.c_str());
    std::printf("FOUND %d\nEND\n", found);
    std::fflush(stdout);
    return 0;
}
