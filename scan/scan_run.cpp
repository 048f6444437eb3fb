// One scan run: memory scan, every fixed drive (or one folder), statistics, final status and
// the restart question.
#include <windows.h>

#include <cstring>

#include "run/report_sink.h"
#include "run/run_options.h"
#include "run/scan_report.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "disinfect/quarantine_store.h"
#include "match/signature_table.h"
#include "platform/restart.h"
#include "platform/version.h"
#include "scan/memory_scan.h"
#include "scan/scan_run.h"
#include "scan/walker.h"

namespace {

const char kRestartQuestion[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

// Walks the drive's Program Files folder on its own when the drive walk never entered one. False
// when that walk was aborted.
bool CheckProgramFiles(ScanState& s)
{
    if (s.programFilesPending && !s.programFilesVisited) {
        WalkOutcome walked = WalkDirectory(s, s.programFilesPath);
        s.programFilesPending = false;
        return walked != kWalkAborted;
    }
    return true;
}

// False when some walk was aborted.
bool WalkFixedDrives(ScanState& s)
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
        if (WalkDirectory(s, pattern) == kWalkAborted)
            whole = false;
        if (!CheckProgramFiles(s))
            whole = false;
    }
    return whole;
}

void WriteStatistics(ScanState& s)
{
    s.keepResultLines = true;
    if (s.filesInfected > 0)
        SendResultLine(s, "%s", " ");
    SendResultLine(s, "%s", "Scanning statistics");
    SendResultLine(s, "%s", "------------------------------");
    SendResultLine(s, "Total files scanned\t\t:  %d", static_cast<int>(s.filesScanned));
    SendResultLine(s, "Total files infected\t\t:  %d", static_cast<int>(s.filesInfected));
    if (kShowRemovedCount)
        SendResultLine(s, "Total files removed\t\t:  %d", static_cast<int>(s.filesRemoved));
}

void ToRecord(void* context, const char* line)
{
    static_cast<ResultSink*>(context)->RecordLine(line);
}

// What the walk passed over and the files it could not open: lines for the record alone.
void RecordWalkSkips(ScanState& s)
{
    ResultSink& results = ScanResults(s);
    BuildWalkSkipSection(s.walkSkipped, g_scanReport.skippedPaths, ToRecord, &results);
    BuildUnopenedLines(s.filesUnopened, g_scanReport.unopenedPaths, ToRecord, &results);
}

// The quarantine's lines (the bounds' drops) go to the record alone.
class QuarantineToRecord : public QuarantineLines {
public:
    explicit QuarantineToRecord(ScanState& s) : m_state(s) {}
    void Line(const char* text) override { ScanResults(m_state).RecordLine(text); }

private:
    ScanState& m_state;
};

// Opens the scan's part of the quarantine under its ID, after the bounds. Every scan opens it, the
// leaving disposition's too: the autostart cleanup deletes values whatever the disposition says.
// A quarantine that cannot be begun stops nothing; each keep then says why it kept nothing.
void BeginQuarantine(ScanState& s, QuarantineScan& quarantine, QuarantineToRecord& lines)
{
    char root[kPathSize];
    if (QuarantineRoot(root, sizeof(root), true))
        quarantine.Begin(root, s.scanId, lines);
    s.quarantine = &quarantine;
}

// The line that names the command undoing a scan: its words and an ID.
const size_t kUndoLineSize = 96;

// Writes the scan's .reg file, once a scan; true, with the line that names the command undoing the
// scan, when it kept something.
bool EndQuarantine(ScanState& s, char* undoLine, size_t undoLineSize)
{
    QuarantineScan* quarantine = s.quarantine;
    s.quarantine = nullptr;
    return quarantine != nullptr && quarantine->End() &&
           FormatText(undoLine, undoLineSize, "Undo: tarvex.exe /UNDO:%s puts back what this scan removed", s.scanId);
}

}  // namespace

ScanState g_scanState;

ReportOpening OpeningOfThisRun()
{
    ReportOpening opening = {};
    opening.versionKnown = QueryWindowsVersion(opening.version);
    opening.platformCode = GetPlatformCode();
    opening.ntVersionCode = GetNtVersionCode();
    opening.chosenPath = g_runOptions.reportPath;
    opening.tooLongPath = g_runOptions.longReportPath;
    return opening;
}

void BeginScanReport(ScanState& s)
{
    WindowsVersion version;
    bool known = QueryWindowsVersion(version);
    char windowsText[224];
    FormatWindowsVersion(windowsText, sizeof(windowsText), known ? &version : nullptr);
    ChooseScanId(g_runOptions.reportPath, s.scanId, sizeof(s.scanId));
    ScanStartFacts facts = {g_runOptions.quiet, s.scanId, windowsText, s.wow64.active, g_runOptions.reportPath};
    ScanResults(s).ScanStarted(facts);
}

int AskRestart(ScanState& s, const char* question, unsigned style, int yes)
{
    ResultSink& results = ScanResults(s);
    if (g_runOptions.restart) {
        results.Answered(question, yes, "restart without asking, as the command line says");
        return yes;
    }
    // A quiet run's sink answers no itself; a window run asks.
    int answer = results.Ask(question, kProductTitle, style);
    results.Answered(question, answer, nullptr);
    return answer;
}

namespace {

RunExitCode ScanExitCode(ScanState& s, bool completed, bool restartStarted)
{
    return ExitCodeOf(RunOutcome{completed, s.filesInfected, s.findsLeftBehind, s.restartDeletions,
                                 g_memoryRestartNeeded != 0, restartStarted, s.filesUnopened});
}

}  // namespace

RunExitCode EndScanRecordWithOutcome(ScanState& s, ReportEnd how, bool completed, bool restartStarted)
{
    // A scan that ends at a find in memory: its record's lines are fixed; the undo follows it.
    char undoLine[kUndoLineSize];
    bool undo = EndQuarantine(s, undoLine, sizeof(undoLine));
    RunExitCode code = ScanExitCode(s, completed, restartStarted);
    ScanEndFacts facts = {completed, s.cancelRequested, g_runOptions.quiet, code,
                          s.filesScanned, s.filesInfected, s.filesRemoved, s.restartDeletions, s.findsLeftBehind,
                          s.filesUnopened, g_scanReport.filePath, how == kEndMemoryFind};
    ScanResults(s).ScanEnded(facts);
    if (undo)
        ReportLoneLine(g_scanReport.filePath, undoLine);
    return code;
}

namespace {

RunExitCode RunScanSteps(ScanState& s)
{
    // Every path rule of this scan follows this one answer.
    QueryWow64View(s.wow64);
    BeginScanReport(s);
    QuarantineToRecord quarantineLines(s);
    QuarantineScan quarantine;
    BeginQuarantine(s, quarantine, quarantineLines);
    ScanMemory(s);
    bool whole = true;
    if (strcmp(s.scanTarget, kAllFixedDrives) == 0) {
        whole = WalkFixedDrives(s);
    } else {
        char pattern[sizeof(s.scanTarget)];
        // A folder too long for its pattern is not walked: a cut pattern would name another folder.
        if (CopyText(pattern, sizeof(pattern), s.scanTarget) && AppendText(pattern, sizeof(pattern), "\\*.*"))
            whole = WalkDirectory(s, pattern) != kWalkAborted;
        if (!CheckProgramFiles(s))
            whole = false;
    }
    WriteStatistics(s);
    RecordWalkSkips(s);
    // Nothing is removed after the walks: the record names the undo before its final status.
    char undoLine[kUndoLineSize];
    if (EndQuarantine(s, undoLine, sizeof(undoLine)))
        ScanResults(s).RecordLine(undoLine);
    CopyText(s.currentText, sizeof(s.currentText), s.cancelRequested ? "Scanning terminated" : "Scanning completed");
    ScanResults(s).FinalStatus(s.currentText);
    // A quiet run that went on after a find in memory decides that find's restart here as well.
    bool restartWanted = s.restartNeeded != 0 || (g_runOptions.quiet && g_memoryRestartNeeded != 0);
    int answer = 0;
    if (restartWanted)
        answer = AskRestart(s, kRestartQuestion, MB_YESNO | MB_ICONQUESTION, IDYES);
    bool restart = answer == IDYES;
    bool completed = whole && !s.cancelRequested;
    // The record is closed before a restart can end the process.
    RunExitCode code = EndScanRecordWithOutcome(s, kEndScanRun, completed, restart);
    if (!restart)
        return code;
    bool started = false;
    RestartWindows(&started);
    if (started || !g_runOptions.quiet)
        return code;
    // The end line counted on the restart; the code the run really ends with follows it.
    code = ScanExitCode(s, completed, false);
    char line[96];
    FormatText(line, sizeof(line), "The restart could not be started: exit code %d", static_cast<int>(code));
    ReportLoneLine(g_scanReport.filePath, line);
    return code;
}

}  // namespace

RunExitCode RunScanForOutcome(ScanState& s, ResultSink& results)
{
    ResultSink* before = s.results;
    s.results = &results;
    RunExitCode code = RunScanSteps(s);
    // The scan's quarantine lived in its steps.
    s.quarantine = nullptr;
    s.results = before;
    return code;
}

int RunScan(ScanState& s, ResultSink& results)
{
    RunScanForOutcome(s, results);
    return 1;
}
