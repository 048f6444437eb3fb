// One scan run: memory scan, every fixed drive (or one folder), statistics, final status and
// the restart question.
#include <windows.h>

#include <cstring>

#include "run/run_options.h"
#include "run/scan_report.h"
#include "run/scan_results.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "match/signature_table.h"
#include "platform/restart.h"
#include "platform/event_log.h"
#include "platform/version.h"
#include "scan/event_sink.h"
#include "scan/memory_scan.h"
#include "scan/scan_run.h"
#include "scan/walker.h"

namespace {

const char kRestartQuestion[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

// Walks the drive's Program Files folder on its own when the drive walk never entered one. False
// when that walk was aborted.
bool CheckProgramFiles()
{
    ScanState& s = g_scanState;
    if (s.programFilesPending && !s.programFilesVisited) {
        WalkOutcome walked = WalkDirectory(s.programFilesPath);
        s.programFilesPending = false;
        return walked != kWalkAborted;
    }
    return true;
}

// False when some walk was aborted.
bool WalkFixedDrives()
{
    bool whole = true;
    // A and B are never walked, even when fixed. The loop does not look at cancelRequested: after
    // a cancel each later walk returns at its first message check.
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        char root[] = "C:\\";
        root[0] = letter;
        if (GetDriveTypeA(root) != DRIVE_FIXED)
            continue;
        char pattern[8];
        FormatText(pattern, sizeof(pattern), "%s*.*", root);
        if (WalkDirectory(pattern) == kWalkAborted)
            whole = false;
        if (!CheckProgramFiles())
            whole = false;
    }
    return whole;
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
    if (kShowRemovedCount)
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
                    g_scanState.wow64.active, g_runOptions.reportPath, g_runOptions.longReportPath);
}

int AskRestart(const char* question, unsigned style, int yes, int no)
{
    ReportQuestion(question);
    if (g_runOptions.restart) {
        ReportLine("Answer: restart without asking, as the command line says");
        return yes;
    }
    if (g_runOptions.quiet) {
        // Nobody is there to answer, and a restart nobody asked for could cost someone their work.
        ReportLine("Answer: no restart, the quiet run's default");
        return no;
    }
    int answer = AskQuestion(question, kProductTitle, style);
    ReportAnswer(answer);
    return answer;
}

namespace {

RunExitCode ScanExitCode(bool completed, bool restartStarted)
{
    const ScanState& s = g_scanState;
    return ExitCodeOf(RunOutcome{completed, s.filesInfected, s.findsLeftBehind, s.restartDeletions,
                                 g_memoryRestartNeeded != 0, restartStarted, s.filesUnopened});
}

}  // namespace

RunExitCode EndScanRecordWithOutcome(ReportEnd how, bool completed, bool restartStarted)
{
    const ScanState& s = g_scanState;
    RunExitCode code = ScanExitCode(completed, restartStarted);
    char text[160];
    FormatOutcome(text, sizeof(text), g_runOptions.quiet, code, s.filesScanned, s.filesInfected, s.filesRemoved,
                  s.restartDeletions, s.filesUnopened);
    // The receivers hear of the end before the record closes, so a line about them still lands in it.
    g_scanResults.ScanEnded(ScanEndFacts{completed, s.cancelRequested, g_runOptions.quiet, code, s.filesScanned,
                                         s.filesInfected, s.filesRemoved, s.restartDeletions, s.findsLeftBehind,
                                         s.filesUnopened, g_scanReport.filePath});
    EndScanRecord(how, text);
    return code;
}

namespace {

// Tells the receivers of the results what this scan is, once its record has begun.
void AnnounceScanStart()
{
    WindowsVersion version;
    bool known = QueryWindowsVersion(version);
    char windows[224];
    FormatWindowsText(windows, sizeof(windows), known ? &version : nullptr);
    g_scanResults.ScanStarted(ScanStartFacts{g_runOptions.quiet, g_scanReport.scanId, windows,
                                             g_scanState.wow64.active,
                                             g_scanReport.recordOpen ? g_scanReport.filePath : ""});
}

// The Event Log's receiver for one scan, unless the command line turned it off; added to the
// receivers while it lives.
class ScanEventLog {
public:
    ScanEventLog() : m_sink(SystemApi(), ModulePath())
    {
        if (!g_runOptions.noEvents)
            m_bAdded = g_scanResults.Add(m_sink);
    }
    ~ScanEventLog()
    {
        if (m_bAdded)
            g_scanResults.Remove(m_sink);
    }
    ScanEventLog(const ScanEventLog&) = delete;
    ScanEventLog& operator=(const ScanEventLog&) = delete;

private:
    static EventLogApi SystemApi()
    {
        EventLogApi api;
        if (g_runOptions.noEvents || !LoadEventLogApi(api))
            api = EventLogApi{};
        return api;
    }
    const char* ModulePath()
    {
        DWORD length = GetModuleFileNameA(nullptr, m_strModulePath, sizeof(m_strModulePath));
        if (length == 0 || length >= sizeof(m_strModulePath))
            m_strModulePath[0] = '\0';
        return m_strModulePath;
    }

    char m_strModulePath[MAX_PATH];
    EventLogSink m_sink;
    bool m_bAdded = false;
};

}  // namespace

RunExitCode RunScanForOutcome()
{
    ScanState& s = g_scanState;
    // Every path rule of this scan follows this one answer.
    QueryWow64View(s.wow64);
    BeginScanReport();
    ScanEventLog eventLog;
    AnnounceScanStart();
    ScanMemory();
    bool whole = true;
    if (strcmp(s.scanTarget, kAllFixedDrives) == 0) {
        whole = WalkFixedDrives();
    } else {
        char pattern[sizeof(s.scanTarget)];
        // A folder too long for its pattern is not walked: a cut pattern would name another folder.
        if (CopyText(pattern, sizeof(pattern), s.scanTarget) && AppendText(pattern, sizeof(pattern), "\\*.*"))
            whole = WalkDirectory(pattern) != kWalkAborted;
        if (!CheckProgramFiles())
            whole = false;
    }
    WriteStatistics();
    ReportWalkSkips();
    CopyText(s.currentText, sizeof(s.currentText), s.cancelRequested ? "Scanning terminated" : "Scanning completed");
    ReportLine(s.currentText);
    SendCurrentText();
    // A quiet run that went on after a find in memory decides that find's restart here as well.
    bool restartWanted = s.restartNeeded != 0 || (g_runOptions.quiet && g_memoryRestartNeeded != 0);
    int answer = 0;
    if (restartWanted)
        answer = AskRestart(kRestartQuestion, MB_YESNO | MB_ICONQUESTION, IDYES, IDNO);
    bool restart = answer == IDYES;
    bool completed = whole && !s.cancelRequested;
    // The record is closed before a restart can end the process.
    RunExitCode code = EndScanRecordWithOutcome(kEndScanRun, completed, restart);
    if (!restart)
        return code;
    bool started = false;
    RestartWindows(&started);
    if (started || !g_runOptions.quiet)
        return code;
    // The end line counted on the restart; the code the run really ends with follows it.
    code = ScanExitCode(completed, false);
    char line[96];
    FormatText(line, sizeof(line), "The restart could not be started: exit code %d", static_cast<int>(code));
    ReportLoneLine(g_scanReport.filePath, line);
    return code;
}

int RunScan()
{
    RunScanForOutcome();
    return 1;
}
