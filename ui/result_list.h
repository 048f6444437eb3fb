// The main window's result list: what it keeps during a scan and how wide it scrolls.
#pragma once
#include <windows.h>

const int kResultListLimit = 150;     // lines the list keeps during the walk
const int kExtentThreshold = 560;     // pixels: narrower lines never widen the scroll range

// The result list's clearing rule: true when a list that holds lineCount lines is emptied before
// the next one is added.
bool ResultListClearsBefore(long lineCount, bool keepResultLines);
// Appends line to the result list: clears the list first once it holds kResultListLimit lines
// (unless keepResultLines), selects the newest line from the third on, then widens the
// horizontal scroll range when a line is wider than kExtentThreshold.
void AppendResultLine(HWND list, const char* line, bool keepResultLines);
// Sets the list's horizontal extent to 3/4 of its widest line's width, measured in the default
// font of a plain device context of the list, when that width exceeds both the current extent
// and kExtentThreshold.
void UpdateHorizontalExtent(HWND list);
