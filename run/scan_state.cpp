// The process-wide scan state and the ways scan code hands its results to the scan's sink.
#include "run/scan_state.h"

#include <cstdarg>

#include "base/text.h"
#include "run/scan_report.h"

ScanState g_scanState;

ResultSink& ScanResults()
{
    static ResultSink nobody;
    return g_scanState.results != nullptr ? *g_scanState.results : nobody;
}

void SendResult(ResultKind kind, const char* object, const char* detection, const char* action, const char* format, ...)
{
    char line[kReportLineChars];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof(line), format, args);
    va_end(args);
    ScanResults().Result(ScanResult{kind, line, object, detection, action});
}

void SendResultLine(const char* format, ...)
{
    char line[kReportLineChars];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof(line), format, args);
    va_end(args);
    ScanResults().Result(ScanResult{ResultKind::kNote, line, "", "", ""});
}

void SendCurrentText()
{
    ScanResults().CurrentText(g_scanState.currentText);
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

void SendFileResult(ResultKind kind, const char* path, const char* name, const char* outcome)
{
    PassFileResult(ScanResults(), kind, ShownPath(path), name, outcome);
}

const char* ShownPath(const char* path)
{
    const ScanState& s = g_scanState;
    if (s.listedPath[0] != '\0' && path != nullptr && CompareNoCase(path, s.listedFor) == 0)
        return s.listedPath;
    return path;
}
