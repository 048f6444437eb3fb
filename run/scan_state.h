// The record of a scan run, which the scan run hands down to the detection, disinfection and
// memory-scan code, and the two private messages through which the window shows its results.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/product.h"
#include "run/result_sink.h"
#include "run/scan_id.h"
#include "run/scan_report_text.h"  // kReportLineChars
#include "run/walk_skip.h"
#include "run/system_folders.h"

// Sent synchronously (SendMessageA, wParam 0, lParam 0) to ScanState::mainWindow. They reuse the
// numbers of WM_ENABLE and WM_SETREDRAW on purpose: the main window's handlers answer both.
const UINT kShowCurrentMessage = 0x000A;   // show currentText in the current-file line
const UINT kAppendResultMessage = 0x000B;  // append lineBuffer to the result list

// The length the directory listing gave for the file being offered to the detectors.
struct ListedLength {
    bool known;     // set by the walker for this very entry only; off for every other caller
    int64_t bytes;  // nFileSizeHigh:nFileSizeLow of the find data
};

// Buffer sizes of the record, each tied to what it holds.
// A result line: a path, five spaces, a detection name and a verb phrase, with room to spare.
const size_t kResultLineSize = 520;
static_assert(kReportLineChars >= kResultLineSize + 2, "every result line fits a report line with its CR LF");
// The detected file's path with a spare byte, so that a path cut at kPathSize still ends.
const size_t kDetectedPathSize = kPathSize + 1;
// The remembered autostart value's name; a longer one is not remembered at all.
const size_t kAutostartValueNameSize = 128;
// What that value held, expanded; longer data is not kept.
const size_t kAutostartValueDataSize = 1024;

// The scan's part of the quarantine; the disinfection layer, above this one, defines it.
class QuarantineScan;

struct ScanState {
    HWND mainWindow;
    char scanTarget[kPathSize];    // "!:" for every fixed drive, else a folder
    int32_t dispositionCode;       // DispositionCode, kDispositionRemove..kDispositionLeave
    bool cancelRequested;
    bool keepResultLines;          // set before the statistics; never cleared
    int32_t restartNeeded;
    int32_t filesScanned;
    int32_t filesInfected;
    int32_t filesRemoved;
    bool memoryMode;
    bool memoryMatch;
    int32_t memoryDisposition;
    char currentName[kPathSize];
    char currentText[kPathSize];
    char lineBuffer[kResultLineSize];
    char detectedPath[kDetectedPathSize];
    char autostartValueName[kAutostartValueNameSize];
    char autostartValueData[kAutostartValueDataSize];  // what that value held, lower-cased and expanded; empty when too long
    char listedPath[kPathSize];    // the walked file's name as listed, when it is reached by its short name
    char listedFor[kPathSize];     // ... and that short path; both empty otherwise
    bool programFilesPending;
    bool programFilesVisited;
    char programFilesPath[kPathSize];
    int32_t walkSkipped[kWalkSkipKinds];  // per WalkSkip kind, since the scan began
    int32_t filesUnopened;         // offered files the detector could not open, since the scan began
    ListedLength listedLength;     // lets the signature detector pass over a file without opening it
    // What became of the finds, for the exit code and the report's end line; never reset, like the
    // counters above.
    int32_t restartDeletions;      // deletions at restart scheduled
    int32_t findsLeftBehind;       // finds neither removed (nor renamed) nor scheduled
    Wow64View wow64;               // decided at the start of each scan run
    ResultSink* results;           // where every result goes, for the length of one scan run
    char scanId[kScanIdSize];      // the running scan's ID, as its report names it
    // Where what the scan removes is kept first, for the length of one scan run; one that could
    // not be begun still says why each keep failed. Null in a routine run on its own: nothing kept.
    QuarantineScan* quarantine;
};

// The scan's sink; one that takes nothing while none is set (a routine run on its own).
ResultSink& ScanResults(ScanState& s);
// Hands one result to the scan's sink: its line, formatted, with what it is about.
void SendResult(ScanState& s, ResultKind kind, const char* object, const char* detection, const char* action,
                const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 6, 7)))
#endif
    ;
// Formats a line about no object (the statistics and their heading) and hands it to the scan's sink.
void SendResultLine(ScanState& s, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// The result line of one file: its shown path, the detection name and what became of it
// ("removed", "renamed", "Rename failed", ...).
void SendFileResult(ScanState& s, ResultKind kind, const char* path, const char* name, const char* outcome);
// Counts one entry the walk passed over (kind, the path as far as it could be spelled).
void NoteWalkSkip(ScanState& s, WalkSkip kind, const char* path);
// Counts one file of the drive walk that the detector could not open, so could not examine.
void NoteUnopenedFile(ScanState& s, const char* path);
// ForFileCalls under this scan's view.
const char* ForFileCalls(const ScanState& s, const char* path, char* buffer, size_t bufferSize);
// The path to show and report for a file: its name as listed when the walk reached it through its
// short name because the path rules would trim that name, else path itself.
const char* ShownPath(const ScanState& s, const char* path);
// Hands currentText to the scan's sink as the file being looked at.
void SendCurrentText(ScanState& s);
