// The directory walker: every folder below a pattern, each file offered to the detector rows.
#pragma once
#include "detect/detect.h"
#include "scan/walk_text.h"

// How a walk ended.
enum WalkOutcome {
    kWalkAborted = -1,   // a pattern could not be built; the abort travels up to the scan run
    kWalkCancelled = 0,  // cancelRequested was found set
    kWalkCompleted = 1,
};
// Walks pattern (a folder followed by "\*.*"), or in memory mode looks at the one file whose full
// path it is.
WalkOutcome WalkDirectory(ScanState& s, const char* pattern);
// Removes and handles at most one pending message of the thread (Escape asks to cancel).
void PumpOneMessage(ScanState& s);

// The detector rows the walker offers every file to: kDetectorTable. Only test programs point it
// at rows of their own, to see detections without real infected files.
extern const DetectorEntry* g_walkDetectors;

// Width of the current-file line's text: longer paths are shortened to this many characters.
const int kCurrentTextChars = 60;

// Deepest folder level the walker enters below the pattern it was given.
const int kMaxWalkDepth = 64;
