// The scan run: memory scan, the walk of every fixed drive, statistics and the restart question.
#pragma once

// Runs one whole scan synchronously on the user-interface thread. Always returns 1.
int RunScan();
// Walks pattern (a folder followed by "\*.*", or in memory mode one file's full path).
// Returns 0 when cancelled, -1 when aborted, otherwise filesScanned.
int WalkDirectory(const char* pattern);
// Removes and handles at most one pending message of the thread (Escape asks to cancel).
void PumpOneMessage();
// Shortens source to at most maximum characters for display ("head..tail").
void ShortenForDisplay(const char* source, char* destination, unsigned destinationSize, int maximum);
