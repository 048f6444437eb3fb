// The scan run: memory scan, the walk of every fixed drive, statistics and the restart question.
#pragma once
#include "detect/detect.h"
#include "scan/walk_text.h"

// Runs one whole scan synchronously on the user-interface thread. Always returns 1.
int RunScan();
// Walks pattern (a folder followed by "\*.*", or in memory mode one file's full path).
// Returns 0 when cancelled, -1 when aborted, otherwise filesScanned.
int WalkDirectory(const char* pattern);
// Removes and handles at most one pending message of the thread (Escape asks to cancel).
void PumpOneMessage();

// The detector rows the walker offers every file to: kDetectorTable. Only test programs point it
// at rows of their own, to see detections without real infected files.
extern const DetectorEntry* g_walkDetectors;

// Width of the current-file line's text: longer paths are shortened to this many characters.
const int kCurrentTextChars = 60;

// Deepest folder level the walker enters below the pattern it was given.
const int kMaxWalkDepth = 64;
