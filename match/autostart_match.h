// Portable rules that decide whether an autostart value's command starts a detected file.
#pragma once
#include <cstddef>

// How a value's data relates to the detected file (every text lower-cased by the caller).
enum AutostartMatch {
    kStartsOther,            // names another program
    kBareNameOutsideSystem,  // names the file bare, but the file is outside the system folders
    kStartsByName,           // names the file bare, and the file is in a system folder
    kStartsByPath,           // begins with the file's path
};

// A bare reference has no '\' or begins with one (a path on the current drive).
bool IsBareReference(const char* data);
// The command of a bare reference (after an opening quote, up to the first space, closing quote or
// end) names the file of path: it equals the file name or the file name without its extension; a
// command beginning with '\' must equal the path without its drive.
bool BareCommandNamesFile(const char* data, const char* path);
// Both rules over the forms of the detected path (empty forms are ignored). expanded is null when
// the expansion could not be made; the path rule then tests the raw data alone.
AutostartMatch MatchAutostartData(const char* data, const char* expanded, const char* const* forms, int formCount);

// Whether the value an earlier detection deleted may be deleted again now that it exists once
// more: its current data (lower-cased, expanded) equals what it held when it was matched, or it
// starts the file of the current detection.
bool RememberedValueStillInfected(const char* currentExpanded, const char* rememberedExpanded, AutostartMatch now);
