// The switches of an unattended run (/Q, /R, /L:PATH, /NOEVENTS, /UNDO[:ID], /?), read from the whole command line the
// system gives the process, and the exit codes such a run ends with (portable: no Win32).
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/product.h"
#include "run/scan_id.h"

// The process exit codes of a run, from the best outcome to the worst.
enum RunExitCode {
    kExitClean = 0,          // the scan completed and found nothing
    kExitRemoved = 1,        // found, and everything found was removed
    kExitRestartPending = 2, // found; the removal completes at the next restart, which was not made
    kExitLeftBehind = 3,     // found, and something could be neither removed nor scheduled
    kExitIncomplete = 4,     // the scan did not complete, or some file could not be opened to be examined
    kExitAnotherCopy = 5,    // another copy of the tool is running
    kExitBadCommandLine = 6,
};

struct RunOptions {
    bool quiet;                     // /Q: no window, no question
    bool restart;                   // /R: restart without asking when a removal needs it
    bool help;                      // /?
    bool finishRestart;             // /FINISH: the step after a restart that moved files, nothing else
    bool badCommandLine;            // something that is not a switch, or a switch given twice
    char reportPath[kPathSize];     // /L:PATH, empty when not given
    char badArgument[kPathSize];    // the first argument that was not understood (cut to fit)
    // Some argument begins with /Q or -Q, as the switch itself or glued to more (/QR, /Q/R): the
    // run shows no window at all, whatever else the command line holds.
    bool quietSpelling;
    int32_t badArguments;           // how many arguments were not understood
    char longReportPath[kPathSize]; // the head of an /L: path too long to use, empty otherwise
    bool noEvents;                  // /NOEVENTS: nothing is written to the Windows Event Log
    bool undo;                      // /UNDO or /UNDO:ID: put back what one scan removed, scan nothing
    char undoScanId[kScanIdSize];   // the ID of /UNDO:ID; empty for the latest scan not undone yet
};

// Reads the arguments after the program name. Arguments are separated by spaces and tabs; double
// quotes group spaces into one argument and are dropped. Switches start with / or -, in any case
// and order. Repeating /Q, /R or /NOEVENTS changes nothing; a second /L, or /L without a path or with one
// too long for a path buffer, is a bad command line. So is a second /UNDO, /UNDO: with no scan ID
// or with one that is not digits and dashes, and /UNDO with /R: a restart finishes a removal, and
// an undo removes nothing. Never fails: faults land in badCommandLine.
// modulePath, when given, is the program's own path: a command line that begins with it unquoted
// (a caller may pass C:\Program Files\...\tarvex.exe without quotes) has its arguments after it.
void ParseCommandLine(const char* commandLine, RunOptions& options, const char* modulePath = nullptr);

// Whether the run ends as a bad command line (exit code 6). An /L: path too long to use is not
// enough on its own: the report then goes to its usual place, with a line naming the path.
bool IsBadCommandLine(const RunOptions& options);

// The switches and the exit codes, as the window shows them for /? or a bad command line.
extern const char kCommandLineHelp[];

// What a scan found, as the exit code chooses between its outcomes.
struct RunOutcome {
    bool completed;            // every walk ran to its end (not cancelled, not aborted)
    int32_t infected;          // finds, in memory and on the drives
    int32_t leftBehind;        // finds neither removed nor scheduled for deletion at restart
    int32_t waitingForRestart; // deletions scheduled for the next start of Windows
    bool memoryNeedsRestart;   // a find in memory whose process could not be stopped for good
    bool restartStarted;       // a restart was started at the end of the run
    int32_t unopened = 0;      // files the detector could not open, so could not examine
};

RunExitCode ExitCodeOf(const RunOutcome& outcome);

// What an undo did, as its exit code sums it up.
struct UndoOutcome {
    int32_t restored;  // files, values and keys put back
    int32_t left;      // what could not be put back (refused, in the way, or failed)
};

// 0 when everything was put back or nothing was left to put back, 3 when something was not.
RunExitCode UndoExitCodeOf(const UndoOutcome& outcome);
