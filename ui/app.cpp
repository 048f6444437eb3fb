// The application object of the tool: reads the command line, then either runs the main window
// (refusing a second copy) or, for a quiet run, the whole scan with no window at all.
#include "ui/app.h"

#include "disinfect/restart_move.h"
#include "run/report_sink.h"
#include "run/run_options.h"
#include "run/scan_report.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "base/clib.h"
#include "disinfect/quarantine_undo.h"
#include "platform/version.h"
#include "scan/event_sink.h"
#include "scan/scan_run.h"
#include "ui/main_dialog.h"
#include "ui/ui.h"

BEGIN_MESSAGE_MAP(TarvexApp, CWinApp)
    ON_COMMAND(kHelpCommand, OnHelp)
END_MESSAGE_MAP()

// The one application object; built before WinMain runs.
TarvexApp g_theApp;

namespace {

// Held by each running copy, one name for each kind, so that a quiet run and a window copy see
// each other even before the window has its title.
const char kQuietRunMutex[] = "Tarvex quiet run";
const char kWindowCopyMutex[] = "Tarvex window";
const char kAllSessionsPrefix[] = "Global\\";

// The name in every session of the machine (a start-up script runs in another session than the
// user); Windows 95/98/ME and NT 4 without terminal services have only the one namespace.
bool AllSessionsName(char* dest, size_t destSize, const char* name)
{
    return GetPlatformCode() == kPlatformNt && CopyText(dest, destSize, kAllSessionsPrefix) &&
           AppendText(dest, destSize, name);
}

// Creates or opens the named mutex; existed says that some copy held it already (a copy of another
// account whose mutex this one may not open counts too).
HANDLE HoldNamedMutex(const char* name, bool& existed)
{
    SetLastError(ERROR_SUCCESS);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    DWORD error = GetLastError();
    existed = error == ERROR_ALREADY_EXISTS || (mutex == nullptr && error == ERROR_ACCESS_DENIED);
    return mutex;
}

HANDLE HoldCopyMutex(const char* name, bool& existed)
{
    char global[64];
    existed = false;
    if (AllSessionsName(global, sizeof(global), name)) {
        HANDLE mutex = HoldNamedMutex(global, existed);
        if (mutex != nullptr || existed)
            return mutex;
    }
    // The system has no all-sessions namespace (NT 4 without terminal services refuses the name).
    return HoldNamedMutex(name, existed);
}

bool NamedMutexExists(const char* name)
{
    SetLastError(ERROR_SUCCESS);
    ScopedHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, name));
    return mutex.IsValid() || GetLastError() == ERROR_ACCESS_DENIED;
}

bool CopyMutexExists(const char* name)
{
    char global[64];
    return (AllSessionsName(global, sizeof(global), name) && NamedMutexExists(global)) || NamedMutexExists(name);
}

// The undo's lines go to the report, each on a line of its own; each object put back, or not, is
// an event too.
class UndoReportLines : public QuarantineLines {
public:
    UndoReportLines(const char* reportPath, EventLogSink& events) : m_reportPath(reportPath), m_events(events) {}
    void Line(const char* text) override
    {
        char line[kReportLineChars];
        FormatText(line, sizeof(line), "%s  %s", kProductTitle, text);
        ReportLoneLine(m_reportPath, line);
    }
    void Object(const char* scanId, const char* what, const char* detection, bool putBack, const char* how) override
    {
        m_events.UndoObject(scanId, what, detection, putBack, how);
    }

private:
    const char* m_reportPath;
    EventLogSink& m_events;
};

// Puts back what one scan removed, and scans nothing; returns the process's exit code. A window
// run shows one message at the end; a quiet run shows nothing.
int RunUndo(const RunOptions& options, bool quiet)
{
    SystemEventLog events;
    UndoReportLines lines(options.reportPath, events.Sink());
    UndoReport report;
    MemFill(&report, 0, sizeof(report));
    char root[kPathSize];
    if (QuarantineRoot(root, sizeof(root), false)) {
        Wow64View view;
        QueryWow64View(view);
        report = UndoScan(root, options.undoScanId, view, lines);
    } else {
        lines.Line("Undo: the quarantine's folder cannot be named");
        report.outcome.left = 1;
    }
    events.Sink().EndUndo();
    if (events.Sink().Failed())
        lines.Line("Undo: the events of this undo could not all be written to the Windows Event Log");
    RunExitCode code = UndoExitCodeOf(report.outcome);
    char text[kReportLineChars];
    FormatText(text, sizeof(text), "Undo: exit code %d", static_cast<int>(code));
    lines.Line(text);
    if (!quiet) {
        if (report.scanId[0] == '\0')
            CopyText(text, sizeof(text), "Nothing was put back: the quarantine holds no scan to put back.");
        else if (report.alreadyUndone)
            FormatText(text, sizeof(text), "The scan %s was undone before: nothing was changed.", report.scanId);
        else
            FormatText(text, sizeof(text), "Put back from the scan %s: %d.\nNot put back: %d%s", report.scanId,
                       static_cast<int>(report.outcome.restored), static_cast<int>(report.outcome.left),
                       report.outcome.left > 0 ? " (the report says why)." : ".");
        ShowMessageDialog(text, kProductTitle, MB_OK | (code == kExitClean ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    return code;
}

// The whole scan with no window and no question; returns the process's exit code.
int RunQuietly()
{
    const RunOptions& options = g_runOptions;
    // The own mutex first, then the other kind's: of two copies starting at once, at least one
    // sees the other. Checked before anything is written: a second copy writes no report line,
    // not even about its command line, since its line would land inside the running copy's record.
    bool existed = false;
    ScopedHandle own(HoldCopyMutex(kQuietRunMutex, existed));
    if (existed || CopyMutexExists(kWindowCopyMutex) || IsAnotherCopyRunning())
        return kExitAnotherCopy;
    if (IsBadCommandLine(options)) {
        char line[kReportLineChars];
        FormatText(line, sizeof(line), "%s  bad command line at \"%s\": exit code %d", kProductTitle,
                   options.badArgument, static_cast<int>(kExitBadCommandLine));
        ReportLoneLine(options.reportPath, line);
        return kExitBadCommandLine;
    }
    if (options.help)
        return kExitClean;  // nothing is shown in a quiet run, and nothing was asked to be scanned
    if (options.undo)
        return RunUndo(options, true);
    // What pressing Scan sets; mainWindow stays null, so the result lines reach the report alone.
    ScanState& s = g_scanState;
    CopyText(s.scanTarget, sizeof(s.scanTarget), kAllFixedDrives);
    s.dispositionCode = kDispositionRemove;
    s.cancelRequested = false;
    QuietRunSink report(OpeningOfThisRun());
    SystemEventLog events;
    ResultFanOut results;
    results.Add(report);
    events.AddTo(results);
    return RunScanForOutcome(s, results);
}

}  // namespace

TarvexApp::~TarvexApp() = default;

bool IsAnotherCopyRunning()
{
    return FindWindowA(nullptr, kProductTitle) != nullptr;
}

BOOL TarvexApp::InitInstance()
{
    // No ActiveX controls are hosted and no 3-D control library is needed: both set-up calls of the
    // framework would change nothing on the target systems, so there are none here.
    char modulePath[MAX_PATH];
    DWORD moduleLength = GetModuleFileNameA(nullptr, modulePath, sizeof(modulePath));
    if (moduleLength == 0 || moduleLength >= sizeof(modulePath))
        modulePath[0] = '\0';
    ParseCommandLine(GetCommandLineA(), g_runOptions, modulePath);
    // No window and no scan: only the files a restart moved into the tool's folders are finished.
    if (g_runOptions.finishRestart && !IsBadCommandLine(g_runOptions)) {
        m_exitCode = FinishAfterRestart();
        return FALSE;
    }
    if (g_runOptions.quiet || g_runOptions.quietSpelling) {
        m_exitCode = RunQuietly();
        return FALSE;
    }
    // While a quiet run works nobody may be there to close a box: a window copy ends silently,
    // whatever its switches.
    if (CopyMutexExists(kQuietRunMutex))
        return FALSE;
    bool badCommandLine = IsBadCommandLine(g_runOptions);
    if (g_runOptions.help || badCommandLine) {
        ShowMessageDialog(kCommandLineHelp, kProductTitle, MB_OK | MB_ICONINFORMATION);
        m_exitCode = badCommandLine ? kExitBadCommandLine : kExitClean;
        return FALSE;
    }
    bool existed = false;
    ScopedHandle own(HoldCopyMutex(kWindowCopyMutex, existed));
    // A second start ends silently; the window it found is left exactly as it is. So does a start
    // while a quiet run works.
    if (CopyMutexExists(kQuietRunMutex) || IsAnotherCopyRunning())
        return FALSE;
    if (g_runOptions.undo) {
        m_exitCode = RunUndo(g_runOptions, false);
        return FALSE;
    }
    MainDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int TarvexApp::ExitInstance()
{
    return m_exitCode;
}
