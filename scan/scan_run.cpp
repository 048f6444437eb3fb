// One scan run: memory scan, every fixed drive (or one folder), statistics, final status and
// the restart question.
#include <windows.h>

#include <cstring>

#include "base/scan_report.h"
#include "base/scan_state.h"
#include "base/text.h"
#include "platform/platform.h"
#include "scan/scan.h"

namespace {

const char kAllFixedDrives[] = "!:";
const char kRestartQuestion[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

// Walks the drive's Program Files folder on its own when the drive walk never entered one.
void CheckProgramFiles()
{
    ScanState& s = g_scanState;
    if (s.programFilesPending && !s.programFilesVisited) {
        WalkDirectory(s.programFilesPath);
        s.programFilesPending = false;
    }
}

void WalkFixedDrives()
{
    // A and B are never walked, even when fixed. The loop does not look at cancelRequested: after
    // a cancel each later walk returns at its first message check.
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        char root[] = "C:\\";
        root[0] = letter;
        if (GetDriveTypeA(root) != DRIVE_FIXED)
            continue;
        char pattern[8];
        FormatText(pattern, sizeof(pattern), "%s*.*", root);
        WalkDirectory(pattern);
        CheckProgramFiles();
    }
}

void WriteStatistics()
{
    ScanState& s = g_scanState;
    s.keepResultLines = true;
    if (s.filesInfected > 0)
        SendResultLine("%s", " ");
    SendResultLine("%s", "Scanning statistics");
    SendResultLine("%s", "------------------------------");
    SendResultLine("Total files scanned\t\t:  %d", static_cast<int>(s.filesScanned));
    SendResultLine("Total files infected\t\t:  %d", static_cast<int>(s.filesInfected));
    SendResultLine("Total files removed\t\t:  %d", static_cast<int>(s.filesRemoved));
}

}  // namespace

QuestionRoutine g_askQuestion = nullptr;

int AskQuestion(const char* text, const char* caption, unsigned style)
{
    return g_askQuestion != nullptr ? g_askQuestion(text, caption, style) : -1;
}

void BeginScanReport()
{
    WindowsVersion version;
    bool known = QueryWindowsVersion(version);
    BeginScanRecord(kProductTitle, known ? &version : nullptr, GetPlatformCode(), GetNtVersionCode(),
                    g_scanState.wow64.active);
}

int RunScan()
{
    ScanState& s = g_scanState;
    // Every path rule of this scan follows this one answer.
    QueryWow64View(s.wow64);
    BeginScanReport();
    ScanMemory();
    if (strcmp(s.scanTarget, kAllFixedDrives) == 0) {
        WalkFixedDrives();
    } else {
        char pattern[sizeof(s.scanTarget)];
        // A folder too long for its pattern is not walked: a cut pattern would name another folder.
        if (CopyText(pattern, sizeof(pattern), s.scanTarget) && AppendText(pattern, sizeof(pattern), "\\*.*"))
            WalkDirectory(pattern);
        CheckProgramFiles();
    }
    WriteStatistics();
    ReportWalkSkips();
    CopyText(s.currentText, sizeof(s.currentText), s.cancelRequested ? "Scanning terminated" : "Scanning completed");
    ReportLine(s.currentText);
    SendCurrentText();
    int answer = 0;
    if (s.restartNeeded != 0) {
        ReportQuestion(kRestartQuestion);
        answer = AskQuestion(kRestartQuestion, kProductTitle, MB_YESNO | MB_ICONQUESTION);
        ReportAnswer(answer);
    }
    // The record is closed before a restart can end the process.
    EndScanRecord(kEndScanRun);
    if (answer == IDYES)
        RestartWindows();
    return 1;
}
