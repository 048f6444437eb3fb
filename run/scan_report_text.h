// Text of the scan report: the record's own lines, the first paths of each kind of entry the walk
// passed over, and when the report file is set aside for a new one (portable: no Win32).
#pragma once
#include <cstddef>
#include <cstdint>

#include "run/command_line.h"  // RunExitCode
#include "base/product.h"
#include "run/walk_skip.h"
#include "base/windows_version.h"


// Paths of each kind the report names; the rest are only counted.
const int kReportedSkipPaths = 20;
// A report longer than this at the start of a scan is set aside and a new one begins.
const uint64_t kReportRotateBytes = 1024 * 1024;
// One line of the file: a result line (ScanState's kResultLineSize), a question or a record line, and CR LF.
const size_t kReportLineChars = 640;

// Local date and time, as the system clock gives it.
struct ReportClock {
    int year, month, day, hour, minute, second;
};

// The first kReportedSkipPaths paths of each kind, in the order the walk met them.
struct WalkSkipPaths {
    int32_t kept[kWalkSkipKinds];
    char paths[kWalkSkipKinds][kReportedSkipPaths][kPathSize];
};

// The first kReportedSkipPaths files the detector could not open (held by a program that shares
// nothing, access denied, any error): counted and named after the walk's kinds, as a kind of their
// own, since the walk did offer them.
struct UnopenedPaths {
    int32_t kept;
    char paths[kReportedSkipPaths][kPathSize];
};
const char kUnopenedLabel[] = "Files that could not be opened";

// A line the report's file does not take at once because another program holds the file is tried
// again after short pauses, for this long in all over one record, so the window never waits longer.
const int32_t kReportRetryMs = 2000;
const int32_t kReportRetryStepMs = 50;

// How a record ends: after the scan run's last step, or when the program ends after a find in memory.
enum ReportEnd { kEndScanRun, kEndMemoryFind };

// Keeps path when fewer than kReportedSkipPaths of its kind are kept (cut to kPathSize).
void KeepWalkSkipPath(WalkSkipPaths& list, int kind, const char* path);

// What the start line adds when the scan ran under WOW64 on a 64-bit Windows.
const char kWow64StartText[] = "  64-bit Windows, both views scanned";
// The running Windows as the start line names it: "Windows 5.1 build 2600 Service Pack 3 (platform
// id 2)", or "Windows version unknown" when version is null.
bool FormatWindowsVersion(char* dest, size_t destSize, const WindowsVersion* version);
// The record's first line: date and time, product title, Windows version (null: the system would
// not say), the scan's ID when given, the platform codes and, under WOW64, kWow64StartText.
bool FormatReportStart(char* dest, size_t destSize, const ReportClock& clock, const char* productTitle,
                       const WindowsVersion* version, int platformCode, int ntVersionCode, bool wow64 = false,
                       const char* scanId = nullptr);

// A scan's ID: its local start time as digits, "YYYYMMDD-HHMMSS", and "-2", "-3"... when the
// previous scan of the same report began in the same second, so that it names one scan of the
// machine. Digits and dashes only: it is typed on command lines. The start line names it after
// kScanIdLabel. Its size and the form /UNDO:ID accepts are run/scan_id.h's.
const char kScanIdLabel[] = "Scan ID ";
// previousId: the ID the report's last start line names, "" or null when none.
bool MakeScanId(char* dest, size_t destSize, const ReportClock& clock, const char* previousId);
// The ID named by the last start line within text (the report's last bytes); false and "" when none.
bool FindLastScanId(const char* text, size_t length, char* dest, size_t destSize);
// outcome, when given, follows "End of scan" after two spaces (FormatOutcome's text).
bool FormatReportEnd(char* dest, size_t destSize, const ReportClock& clock, ReportEnd how,
                     const char* outcome = nullptr);
// The part of the report's end line after "End of scan": the exit code (or, for a window run, the
// one a quiet run would have ended with) and the counts; the files that could not be opened only
// when there were any.
bool FormatOutcome(char* dest, size_t destSize, bool quiet, RunExitCode code, int32_t scanned, int32_t infected,
                   int32_t removed, int32_t waitingForRestart, int32_t unopened = 0);
// A line outside any record, with the record lines' mark and the time: "==== when  text".
bool FormatReportLoneLine(char* dest, size_t destSize, const ReportClock& clock, const char* text);
// The question as one line (its line breaks become spaces when the line is written).
bool FormatReportQuestion(char* dest, size_t destSize, const char* question);
// The button code a question returned, by name.
bool FormatReportAnswer(char* dest, size_t destSize, int answer);

// Keeps path when fewer than kReportedSkipPaths are kept (cut to kPathSize).
void KeepUnopenedPath(UnopenedPaths& list, const char* path);
// The pause before the next try of a held report's line, and spentMs grows by it; 0 when the
// record's kReportRetryMs are spent and the line is to go elsewhere.
int32_t NextReportRetryPause(int32_t& spentMs);

// Hands each line of the passed-over section to sink: a title, then for each kind a count line
// followed by its kept paths and, when more were met, how many are not named.
typedef void (*ReportLineSink)(void* context, const char* line);
void BuildWalkSkipSection(const int32_t counts[kWalkSkipKinds], const WalkSkipPaths& list, ReportLineSink sink,
                          void* context);
// The files that could not be opened, as one more kind of that section: the count, the kept paths
// and how many more.
void BuildUnopenedLines(int32_t count, const UnopenedPaths& list, ReportLineSink sink, void* context);

// One line of the file in dest: text with any CR or LF in it made a space, then CR LF. Returns
// the byte count (text cut to fit when it is longer than the buffer allows).
size_t MakeReportFileLine(char* dest, size_t destSize, const char* text);

// Where a full report at path is set aside: ".old" before the extension of its file name
// (Tarvex.log gives Tarvex.old.log), or after a name that has none. False when it does not fit.
bool MakeOldReportPath(char* dest, size_t destSize, const char* path);
// True when a report that ends with the tailLength bytes of tail (its last two, or all of a shorter
// file) must get a CR LF before a new record starts: a report cut off mid-line would otherwise glue
// the record's start line onto its last line.
bool ReportNeedsLineBreak(const uint8_t* tail, size_t tailLength);

// True when a report of fileBytes bytes is to be set aside before a new scan's record.
bool ReportNeedsRotation(uint64_t fileBytes);
