// Text of the scan report: record lines, the passed-over section and the rotation rule.
#include "run/scan_report_text.h"

#include "base/text.h"

namespace {

// Count-line label of each WalkSkip kind, in the enum's order.
const char* const kSkipLabels[kWalkSkipKinds] = {
    "Paths too long",
    "Names without an 8-bit spelling",
    "Folder links not entered",
    "Folders that could not be listed",
    "Offline files not opened",
    "Folders below the depth bound",
    "Names ending in a dot or a space",
};

const char kRecordMark[] = "====";

bool FormatClock(char* dest, size_t destSize, const ReportClock& clock)
{
    return FormatText(dest, destSize, "%04d-%02d-%02d %02d:%02d:%02d", clock.year, clock.month, clock.day,
                      clock.hour, clock.minute, clock.second);
}

}  // namespace

bool FormatWindowsVersion(char* dest, size_t destSize, const WindowsVersion* version)
{
    if (version == nullptr)
        return CopyText(dest, destSize, "Windows version unknown");
    // On 95/98/ME the high word of the build number repeats the version; the build is the low word.
    uint32_t build = version->platformId == 1 ? (version->build & 0xFFFF) : version->build;
    char servicePack[sizeof(version->servicePack)];
    CopyTextN(servicePack, sizeof(servicePack), version->servicePack, sizeof(version->servicePack));
    return FormatText(dest, destSize, "Windows %u.%u build %u%s%s (platform id %u)",
                      static_cast<unsigned>(version->major), static_cast<unsigned>(version->minor),
                      static_cast<unsigned>(build), servicePack[0] != '\0' ? " " : "", servicePack,
                      static_cast<unsigned>(version->platformId));
}

namespace {

void KeepPath(int32_t& kept, char (*paths)[kPathSize], const char* path)
{
    if (path == nullptr || kept < 0 || kept >= kReportedSkipPaths)
        return;
    CopyText(paths[kept], kPathSize, path);
    kept += 1;
}

// One kind: its count line, its kept paths and, when more were met, how many are not named.
void BuildKindLines(const char* label, int32_t count, int32_t kept, const char (*paths)[kPathSize],
                    ReportLineSink sink, void* context)
{
    char line[kPathSize + 64];
    FormatText(line, sizeof(line), "%s\t\t:  %d", label, static_cast<int>(count));
    sink(context, line);
    if (kept < 0 || kept > kReportedSkipPaths)
        kept = 0;
    for (int32_t i = 0; i < kept; ++i) {
        FormatText(line, sizeof(line), "\t%s", paths[i]);
        sink(context, line);
    }
    if (count > kept) {
        FormatText(line, sizeof(line), "\tand %d more", static_cast<int>(count - kept));
        sink(context, line);
    }
}

}  // namespace

void KeepWalkSkipPath(WalkSkipPaths& list, int kind, const char* path)
{
    if (kind < 0 || kind >= kWalkSkipKinds)
        return;
    KeepPath(list.kept[kind], list.paths[kind], path);
}

void KeepUnopenedPath(UnopenedPaths& list, const char* path)
{
    KeepPath(list.kept, list.paths, path);
}

int32_t NextReportRetryPause(int32_t& spentMs)
{
    if (spentMs < 0 || spentMs >= kReportRetryMs)
        return 0;
    int32_t pause = kReportRetryMs - spentMs < kReportRetryStepMs ? kReportRetryMs - spentMs : kReportRetryStepMs;
    spentMs += pause;
    return pause;
}

bool FormatReportStart(char* dest, size_t destSize, const ReportClock& clock, const char* productTitle,
                       const WindowsVersion* version, int platformCode, int ntVersionCode, bool wow64)
{
    char when[32];
    char windows[224];
    FormatClock(when, sizeof(when), clock);
    FormatWindowsVersion(windows, sizeof(windows), version);
    // Said only under WOW64, so that a 32-bit Windows' start line stays as it always was.
    return FormatText(dest, destSize, "%s %s  %s  %s  platform code %d, NT version code %d%s", kRecordMark, when,
                      productTitle, windows, platformCode, ntVersionCode, wow64 ? kWow64StartText : "");
}

bool FormatReportEnd(char* dest, size_t destSize, const ReportClock& clock, ReportEnd how, const char* outcome)
{
    char when[32];
    FormatClock(when, sizeof(when), clock);
    const char* what = how == kEndMemoryFind ? "End of scan: the program ends after the find in memory" : "End of scan";
    if (outcome == nullptr || outcome[0] == '\0')
        return FormatText(dest, destSize, "%s %s  %s", kRecordMark, when, what);
    return FormatText(dest, destSize, "%s %s  %s  %s", kRecordMark, when, what, outcome);
}

bool FormatReportLoneLine(char* dest, size_t destSize, const ReportClock& clock, const char* text)
{
    char when[32];
    FormatClock(when, sizeof(when), clock);
    return FormatText(dest, destSize, "%s %s  %s", kRecordMark, when, text);
}

bool FormatReportQuestion(char* dest, size_t destSize, const char* question)
{
    return FormatText(dest, destSize, "Question: %s", question);
}

bool FormatReportAnswer(char* dest, size_t destSize, int answer)
{
    switch (answer) {
    case 1: return CopyText(dest, destSize, "Answer: OK");
    case 2: return CopyText(dest, destSize, "Answer: Cancel");
    case 6: return CopyText(dest, destSize, "Answer: Yes");
    case 7: return CopyText(dest, destSize, "Answer: No");
    case -1: return CopyText(dest, destSize, "Answer: none, the question could not be shown");
    default: return FormatText(dest, destSize, "Answer: button %d", answer);
    }
}

void BuildWalkSkipSection(const int32_t counts[kWalkSkipKinds], const WalkSkipPaths& list, ReportLineSink sink,
                          void* context)
{
    sink(context, "Entries passed over by the walk");
    for (int kind = 0; kind < kWalkSkipKinds; ++kind)
        BuildKindLines(kSkipLabels[kind], counts[kind], list.kept[kind], list.paths[kind], sink, context);
}

void BuildUnopenedLines(int32_t count, const UnopenedPaths& list, ReportLineSink sink, void* context)
{
    BuildKindLines(kUnopenedLabel, count, list.kept, list.paths, sink, context);
}

size_t MakeReportFileLine(char* dest, size_t destSize, const char* text)
{
    if (dest == nullptr || destSize < 3)
        return 0;
    size_t room = destSize - 3;  // CR, LF and the terminator
    size_t n = 0;
    for (; n < room && text[n] != '\0'; ++n)
        dest[n] = (text[n] == '\r' || text[n] == '\n') ? ' ' : text[n];
    dest[n++] = '\r';
    dest[n++] = '\n';
    dest[n] = '\0';
    return n;
}

bool MakeOldReportPath(char* dest, size_t destSize, const char* path)
{
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    const char* dot = nullptr;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '.')
            dot = p;
    }
    if (dot == nullptr)
        return CopyText(dest, destSize, path) && AppendText(dest, destSize, ".old");
    return CopyTextN(dest, destSize, path, static_cast<size_t>(dot - path)) && AppendText(dest, destSize, ".old") &&
           AppendText(dest, destSize, dot);
}

bool ReportNeedsLineBreak(const uint8_t* tail, size_t tailLength)
{
    if (tailLength == 0)
        return false;
    return tailLength < 2 || tail[tailLength - 2] != '\r' || tail[tailLength - 1] != '\n';
}

bool ReportNeedsRotation(uint64_t fileBytes)
{
    return fileBytes > kReportRotateBytes;
}

bool FormatOutcome(char* dest, size_t destSize, bool quiet, RunExitCode code, int32_t scanned, int32_t infected,
                   int32_t removed, int32_t waitingForRestart, int32_t unopened)
{
    // "exit code N" appears only in quiet runs, so that a search for it never counts window runs.
    bool whole = FormatText(dest, destSize, "%s %d  scanned %d, infected %d, removed %d, waiting for restart %d",
                            quiet ? "exit code" : "window run, a quiet run would end with", static_cast<int>(code),
                            static_cast<int>(scanned), static_cast<int>(infected), static_cast<int>(removed),
                            static_cast<int>(waitingForRestart));
    if (unopened <= 0)
        return whole;
    char more[48];
    FormatText(more, sizeof(more), ", not opened %d", static_cast<int>(unopened));
    return AppendText(dest, destSize, more) && whole;
}
