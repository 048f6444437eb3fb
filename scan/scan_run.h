// The scan run: memory scan, the walk of every fixed drive, statistics and the restart question.
#pragma once
#include "run/command_line.h"
#include "run/report_sink.h"
#include "run/result_sink.h"
#include "run/scan_state.h"
#include "run/scan_report_text.h"

// The scan target that stands for every fixed drive; anything else is a folder.
const char kAllFixedDrives[] = "!:";

// The one record of the tool's scan: the window's Scan and the quiet run hand it to RunScan, and the
// window's handlers read it (lineBuffer, currentText) and set cancelRequested. No code below the
// scan's entry names it: each routine is handed the record.
extern ScanState g_scanState;

// Runs one whole scan synchronously on the user-interface thread, handing every result to
// results. Always returns 1.
int RunScan(ScanState& s, ResultSink& results);
// The same scan; returns the exit code that sums it up (a quiet run ends with it).
RunExitCode RunScanForOutcome(ScanState& s, ResultSink& results);
// What the report's start needs of this run: the running system's version and codes, and the
// report file the command line chose.
ReportOpening OpeningOfThisRun();
// A restart question: answered yes by the restart switch, else asked through the scan's sink (a
// quiet run's sink answers no); the question and its answer go to the sink. yes and no are the
// result codes that stand for each answer with this style.
int AskRestart(ScanState& s, const char* question, unsigned style, int yes, int no);
// Tells the scan's sink how the scan ended: the exit code it stands for and the counts; returns
// that code. completed: no walk was cancelled or aborted; restartStarted: the run is about to
// restart Windows. how is kEndMemoryFind when the scan stops at a find in memory.
RunExitCode EndScanRecordWithOutcome(ScanState& s, ReportEnd how, bool completed, bool restartStarted);
// Tells the scan's sink that the scan starts (the report opens its record).
void BeginScanReport(ScanState& s);
