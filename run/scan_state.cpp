// The process-wide scan state and the two ways scan code reports to the main window.
#include "run/scan_state.h"

#include <cstdarg>

#include "base/text.h"
#include "run/scan_results.h"
#include "run/scan_report.h"

ScanState g_scanState;
ResultFanOut g_scanResults;

void SendResultLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatTextV(g_scanState.lineBuffer, sizeof(g_scanState.lineBuffer), format, args);
    va_end(args);
    // Into the report first: a line the window empties away at 150 lines is still kept there.
    ReportLine(g_scanState.lineBuffer);
    SendMessageA(g_scanState.mainWindow, kAppendResultMessage, 0, 0);
}

void SendCurrentText()
{
    SendMessageA(g_scanState.mainWindow, kShowCurrentMessage, 0, 0);
}

void NoteWalkSkip(WalkSkip kind, const char* path)
{
    if (kind >= 0 && kind < kWalkSkipKinds)
        g_scanState.walkSkipped[kind] += 1;
    // The report names the entry as a 64-bit program would; an alias that does not fit stays as met.
    char shown[kPathSize];
    KeepWalkSkipPath(g_scanReport.skippedPaths, kind,
                     NativeSpelling(path, g_scanState.wow64, shown, sizeof(shown)) ? shown : path);
}

void NoteUnopenedFile(const char* path)
{
    g_scanState.filesUnopened += 1;
    // Named as the result line of the same file would name it.
    KeepUnopenedPath(g_scanReport.unopenedPaths, ShownPath(path));
}

const char* ForFileCalls(const char* path, char* buffer, size_t bufferSize)
{
    return ForFileCalls(path, g_scanState.wow64, buffer, bufferSize);
}

void SendFileResult(ResultKind kind, const char* path, const char* name, const char* outcome, const char* action)
{
    const char* shown = ShownPath(path);
    SendResultLine("%s     %s %s", shown, name, outcome);
    g_scanResults.Result(ScanResult{kind, g_scanState.lineBuffer, shown, name, action != nullptr ? action : outcome});
}

void SendResultOnly(ResultKind kind, const char* object, const char* detection, const char* action)
{
    g_scanResults.Result(ScanResult{kind, nullptr, object, detection, action});
}

const char* ShownPath(const char* path)
{
    const ScanState& s = g_scanState;
    if (s.listedPath[0] != '\0' && path != nullptr && CompareNoCase(path, s.listedFor) == 0)
        return s.listedPath;
    return path;
}
