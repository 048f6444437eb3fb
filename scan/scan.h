// The scan run: memory scan, the walk of every fixed drive, statistics and the restart question.
#pragma once
#include <cstdint>

#include "base/command_line.h"
#include "base/scan_report_text.h"
#include "detect/detect.h"
#include "scan/walk_text.h"

// The scan target that stands for every fixed drive; anything else is a folder.
const char kAllFixedDrives[] = "!:";

// Runs one whole scan synchronously on the user-interface thread. Always returns 1.
int RunScan();
// The same scan; returns the exit code that sums it up (a quiet run ends with it).
RunExitCode RunScanForOutcome();
// A restart question: asked through AskQuestion in the window, answered yes by the restart switch
// and no in a quiet run without it; the question and its answer go to the report. yes and no are
// the result codes that stand for each answer with this style.
int AskRestart(const char* question, unsigned style, int yes, int no);
// Writes the report's end line with the run's outcome (the exit code it stands for, and the counts)
// and returns that code. completed: no walk was cancelled or aborted; restartStarted: the run is
// about to restart Windows.
RunExitCode EndScanRecordWithOutcome(ReportEnd how, bool completed, bool restartStarted);
// Starts this scan's record in the report file, with the running system's version.
void BeginScanReport();
// How a walk ended.
enum WalkOutcome {
    kWalkAborted = -1,   // a pattern could not be built; the abort travels up to the scan run
    kWalkCancelled = 0,  // cancelRequested was found set
    kWalkCompleted = 1,
};
// Walks pattern (a folder followed by "\*.*"), or in memory mode looks at the one file whose full
// path it is.
WalkOutcome WalkDirectory(const char* pattern);
// Removes and handles at most one pending message of the thread (Escape asks to cancel).
void PumpOneMessage();

// How the scan asks the user a question: the window installs its message dialog here. style takes
// the system message box's bits; the answer is the system's result code (1 OK, 2 Cancel, 6 Yes,
// 7 No), or -1 when the question could not be shown.
typedef int (*QuestionRoutine)(const char* text, const char* caption, unsigned style);
extern QuestionRoutine g_askQuestion;
// Asks through g_askQuestion; -1 while none is installed.
int AskQuestion(const char* text, const char* caption, unsigned style);

// Memory scan, run first by every scan run; may end the process on the NT family.
void ScanMemory();
void ScanMemoryToolhelp();
int ScanMemoryPsapi();
extern int32_t g_memoryRestartNeeded;
// After a find on the NT family: when memoryRestartNeeded is set, asks whether to restart and calls
// restart on OK. Returns the answer, or 0 when nothing was asked.
int AskRestartAfterMemoryFind(int (*restart)());

// The detector rows the walker offers every file to: kDetectorTable. Only test programs point it
// at rows of their own, to see detections without real infected files.
extern const DetectorEntry* g_walkDetectors;

// Width of the current-file line's text: longer paths are shortened to this many characters.
const int kCurrentTextChars = 60;

// Deepest folder level the walker enters below the pattern it was given.
const int kMaxWalkDepth = 64;
