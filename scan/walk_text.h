// Text work of the directory walker that needs no Win32: the shortened display path and the
// paths built from a search pattern.
#pragma once
#include <cstddef>

// Shortens source to maximum characters for display ("head..tail"); see the .cpp for the rule.
void ShortenForDisplay(const char* source, char* destination, unsigned destinationSize, int maximum);

// Full path of entry name found by pattern: pattern cut just before the character that precedes
// its last '.', then name (D:\Data\*.* and report.doc give D:\Data\report.doc).
// Returns 1 when built, 0 when the whole path does not fit destinationSize (destination is then
// empty), -1 when pattern has no '.'.
int BuildEntryPath(const char* pattern, const char* name, char* destination, size_t destinationSize);
// Pattern of subfolder name: the same head, name and "\*.*". Same results as BuildEntryPath.
int BuildChildPattern(const char* pattern, const char* name, char* destination, size_t destinationSize);
// Pattern of the subfolder pass: pattern with everything after its last '.' replaced by "*".
// Returns 1, 0 or -1 like BuildEntryPath.
int BuildFolderPassPattern(const char* pattern, char* destination, size_t destinationSize);
