// What the Windows Event Log receives for a scan: the event ID, its type and its insertion strings
// for each result and for the scan's start and end. The IDs are stable: collecting servers match
// them. Portable: no Win32; the writer lives in platform/event_log.*.
#pragma once
#include <cstddef>
#include <cstdint>

#include "run/result_sink.h"

// Event IDs; the exe's message table holds one text for each.
enum ScanEventId : uint16_t {
    kEventScanStarted = 100,
    kEventFileRemoved = 110,
    kEventFileWaitsRestart = 111,
    kEventFileLeft = 112,
    kEventFileKept = 113,       // left in place because the disposition says so
    kEventMemoryRemoved = 115,  // found running: the process was ended
    kEventAutostartRemoved = 120,
    kEventRefused = 130,
    kEventPutBack = 140,     // /UNDO put one object of a scan back
    kEventNotPutBack = 141,  // /UNDO could not put one back
    kEventScanEnded = 190,
    kEventScanIncomplete = 191,
};

// The event types as the Event Log numbers them (EVENTLOG_ERROR_TYPE and its neighbours).
enum ScanEventType : uint16_t {
    kEventError = 1,
    kEventWarning = 2,
    kEventInformation = 4,
};

// Every event carries these five first, in this order; the start and end events add their facts.
enum ScanEventString {
    kStringVersion,    // %1 the tool's version
    kStringScanId,     // %2 the scan's ID as the report names it
    kStringObject,     // %3 path, registry key and value, or service name
    kStringDetection,  // %4 the detection name
    kStringAction,     // %5 the action and its result
    kCommonStrings,
};
const size_t kMaxEventStrings = 13;
// Room for one string: a path or a registry key and value with its name.
const size_t kEventStringSize = 600;

struct ScanEvent {
    uint16_t id;
    uint16_t type;
    uint16_t stringCount;
    char strings[kMaxEventStrings][kEventStringSize];
};

// Who writes: the tool's version and the scan's ID, the same for every event of one scan.
struct ScanEventSource {
    const char* version;
    const char* scanId;
};

// The event for one result; false when the result is no event (a note: the statistics, a blank line).
bool EventForResult(const ScanEventSource& source, const ScanResult& result, ScanEvent& event);
// The scan's start: %6 window or quiet run, %7 the Windows version, %8 the registry view, %9 the report.
void EventForStart(const ScanEventSource& source, const ScanStartFacts& facts, ScanEvent& event);
// One object of an undo of the scan source.scanId: 140 when it was put back, 141 (an error) when
// not; %5 says how ("put back", or "not put back: " and why).
void EventForUndo(const ScanEventSource& source, const char* object, const char* detection, bool putBack,
                  const char* how, ScanEvent& event);
// The scan's end: 190 when it completed, 191 when it did not; %6 the exit code (or the one a quiet
// run would end with), %7 to %12 the counts (scanned, infected, removed, waiting for a restart, left,
// not opened), %13 the report.
void EventForEnd(const ScanEventSource& source, const ScanEndFacts& facts, ScanEvent& event);
