// The ways scan code counts on the scan's record and hands its results to the scan's sink.
#include "run/scan_state.h"

#include <cstdarg>

#include "base/text.h"
#include "run/scan_report.h"

ResultSink& ScanResults(ScanState& s)
{
    static ResultSink nobody;
    return s.results != nullptr ? *s.results : nobody;
}

void SendResult(ScanState& s, ResultKind kind, const char* object, const char* detection, const char* action,
                const char* format, ...)
{
    char line[kReportLineChars];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof(line), format, args);
    va_end(args);
    ScanResults(s).Result(ScanResult{kind, line, object, detection, action});
}

void SendResultLine(ScanState& s, const char* format, ...)
{
    char line[kReportLineChars];
    va_list args;
    va_start(args, format);
    FormatTextV(line, sizeof(line), format, args);
    va_end(args);
    ScanResults(s).Result(ScanResult{ResultKind::kNote, line, "", "", ""});
}

void SendCurrentText(ScanState& s)
{
    ScanResults(s).CurrentText(s.currentText);
}

void NoteWalkSkip(ScanState& s, WalkSkip kind, const char* path)
{
    if (kind >= 0 && kind < kWalkSkipKinds)
        s.walkSkipped[kind] += 1;
    // The report names the entry as a 64-bit program would; an alias that does not fit stays as met.
    char shown[kPathSize];
    KeepWalkSkipPath(g_scanReport.skippedPaths, kind,
                     NativeSpelling(path, s.wow64, shown, sizeof(shown)) ? shown : path);
}

void NoteUnopenedFile(ScanState& s, const char* path)
{
    s.filesUnopened += 1;
    // Named as the result line of the same file would name it.
    KeepUnopenedPath(g_scanReport.unopenedPaths, ShownPath(s, path));
}

const char* ForFileCalls(const ScanState& s, const char* path, char* buffer, size_t bufferSize)
{
    return ForFileCalls(path, s.wow64, buffer, bufferSize);
}

void SendFileResult(ScanState& s, ResultKind kind, const char* path, const char* name, const char* outcome)
{
    PassFileResult(ScanResults(s), kind, ShownPath(s, path), name, outcome);
}

const char* ShownPath(const ScanState& s, const char* path)
{
    if (s.listedPath[0] != '\0' && path != nullptr && CompareNoCase(path, s.listedFor) == 0)
        return s.listedPath;
    return path;
}
