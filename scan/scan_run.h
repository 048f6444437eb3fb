// The scan run: memory scan, the walk of every fixed drive, statistics and the restart question.
#pragma once
#include "run/command_line.h"
#include "run/scan_report_text.h"

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

// How the scan asks the user a question: the window installs its message dialog here. style takes
// the system message box's bits; the answer is the system's result code (1 OK, 2 Cancel, 6 Yes,
// 7 No), or -1 when the question could not be shown.
typedef int (*QuestionRoutine)(const char* text, const char* caption, unsigned style);
extern QuestionRoutine g_askQuestion;
// Asks through g_askQuestion; -1 while none is installed.
int AskQuestion(const char* text, const char* caption, unsigned style);
