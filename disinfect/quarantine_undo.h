// /UNDO: puts back what one scan removed, from the records and copies in that scan's folder of the
// quarantine alone, and writes only to the paths and keys the records name.
#pragma once
#include <windows.h>

#include "disinfect/quarantine_store.h"
#include "run/command_line.h"  // UndoOutcome
#include "run/system_folders.h"

struct UndoReport {
    UndoOutcome outcome;
    char scanId[kScanIdSize];  // the scan undone, "" when there was none
    bool alreadyUndone;        // /UNDO:ID named a scan undone before: nothing was changed
};

// Undoes scanId's removals, or with "" those of the latest scan that removed something and was
// not undone yet. Files come back checked against their SHA-256, with their attributes and times;
// values with their types and data in their views; removed keys whole. Nothing that exists is
// written over: it is reported and left. Each step is a line; the undo is recorded in the scan's
// records, so a second undo changes nothing.
UndoReport UndoScan(const char* root, const char* scanId, const Wow64View& view, QuarantineLines& lines);
