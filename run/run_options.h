// How this run of the tool was started (the command line's switches), and the system message
// boxes that a run without windows turns into report lines.
#pragma once
#include "run/command_line.h"

// Set once at start-up, before any scan; read by the scan, the report and the questions.
extern RunOptions g_runOptions;

// Whether result lines have someone to reach: the main window, or in a quiet run the report alone.
struct ScanState;
bool ResultLinesHaveReader(const ScanState& s);

// A system message box with no owner, or in a quiet run a report line with the same facts.
void ShowSystemNotice(const char* text, const char* caption);
