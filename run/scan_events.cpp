// The mapping from a scan's results, start and end to Event Log events.
#include "run/scan_events.h"

#include "base/text.h"

namespace {

const char* OrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

void Begin(const ScanEventSource& source, uint16_t id, uint16_t type, ScanEvent& event)
{
    event.id = id;
    event.type = type;
    event.stringCount = kCommonStrings;
    for (size_t i = 0; i < kMaxEventStrings; ++i)
        event.strings[i][0] = '\0';
    CopyText(event.strings[kStringVersion], kEventStringSize, OrEmpty(source.version));
    CopyText(event.strings[kStringScanId], kEventStringSize, OrEmpty(source.scanId));
}

void Add(ScanEvent& event, const char* text)
{
    if (event.stringCount < kMaxEventStrings)
        CopyText(event.strings[event.stringCount++], kEventStringSize, OrEmpty(text));
}

void AddNumber(ScanEvent& event, int32_t number)
{
    char text[16];
    FormatText(text, sizeof(text), "%d", static_cast<int>(number));
    Add(event, text);
}

struct KindRow {
    ResultKind kind;
    uint16_t id;
    uint16_t type;
};

// A find that was handled is a warning: the machine was infected. One that stays is an error.
const KindRow kKindRows[] = {
    {ResultKind::kFileRemoved, kEventFileRemoved, kEventWarning},
    {ResultKind::kFileWaitsRestart, kEventFileWaitsRestart, kEventWarning},
    {ResultKind::kFileLeft, kEventFileLeft, kEventError},
    {ResultKind::kFileKept, kEventFileKept, kEventWarning},
    {ResultKind::kMemoryRemoved, kEventMemoryRemoved, kEventWarning},
    {ResultKind::kAutostartRemoved, kEventAutostartRemoved, kEventWarning},
    {ResultKind::kServiceRemoved, kEventAutostartRemoved, kEventWarning},
    {ResultKind::kRefused, kEventRefused, kEventInformation},
};

}  // namespace

bool EventForResult(const ScanEventSource& source, const ScanResult& result, ScanEvent& event)
{
    for (const KindRow& row : kKindRows) {
        if (row.kind != result.kind)
            continue;
        Begin(source, row.id, row.type, event);
        CopyText(event.strings[kStringObject], kEventStringSize, OrEmpty(result.object));
        CopyText(event.strings[kStringDetection], kEventStringSize, OrEmpty(result.detection));
        CopyText(event.strings[kStringAction], kEventStringSize, OrEmpty(result.action));
        return true;
    }
    return false;
}

void EventForUndo(const ScanEventSource& source, const char* object, const char* detection, bool putBack,
                  const char* how, ScanEvent& event)
{
    Begin(source, putBack ? kEventPutBack : kEventNotPutBack, putBack ? kEventInformation : kEventError, event);
    CopyText(event.strings[kStringObject], kEventStringSize, OrEmpty(object));
    CopyText(event.strings[kStringDetection], kEventStringSize, OrEmpty(detection));
    CopyText(event.strings[kStringAction], kEventStringSize, OrEmpty(how));
}

void EventForStart(const ScanEventSource& source, const ScanStartFacts& facts, ScanEvent& event)
{
    Begin(source, kEventScanStarted, kEventInformation, event);
    CopyText(event.strings[kStringAction], kEventStringSize, "scan started");
    Add(event, facts.quiet ? "quiet run" : "window run");
    Add(event, facts.windowsText);
    Add(event, facts.wow64 ? "64-bit Windows, both views scanned" : "32-bit Windows");
    Add(event, facts.reportPath);
}

void EventForEnd(const ScanEventSource& source, const ScanEndFacts& facts, ScanEvent& event)
{
    if (!facts.completed) {
        Begin(source, kEventScanIncomplete, kEventError, event);
    } else {
        uint16_t type = facts.code == kExitClean ? kEventInformation
                        : facts.code == kExitLeftBehind ? kEventError
                                                        : kEventWarning;
        Begin(source, kEventScanEnded, type, event);
    }
    const char* how = facts.completed             ? "scan completed"
                      : facts.cancelled           ? "scan cancelled"
                      : facts.stoppedAtMemoryFind ? "scan stopped at a find in memory"
                                                  : "scan did not complete";
    CopyText(event.strings[kStringAction], kEventStringSize, how);
    char code[48];
    FormatText(code, sizeof(code), facts.quiet ? "exit code %d" : "a quiet run would end with %d",
               static_cast<int>(facts.code));
    Add(event, code);
    AddNumber(event, facts.scanned);
    AddNumber(event, facts.infected);
    AddNumber(event, facts.removed);
    AddNumber(event, facts.waitingForRestart);
    AddNumber(event, facts.leftBehind);
    AddNumber(event, facts.unopened);
    Add(event, facts.reportPath);
}
