// Text work of the directory walker that needs no Win32: the shortened display path and the
// paths built from a search pattern.
#pragma once
#include <cstddef>
#include <cstdint>

#include "run/walk_skip.h"

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

// How the walk can spell one entry. The 8-bit search functions put '?' for every character of a
// name the code page cannot spell, and such a path opens nothing; the entry's short (8.3) name,
// where it has one, still does, and it also keeps deep paths within the buffers.
enum EntrySpelling {
    kSpellNoDot = -1,      // the pattern has no '.'
    kSpellTooLong = 0,     // neither spelling fits the buffer
    kSpelled = 1,          // at least one spelling names the entry
    kSpellUnnameable = 2,  // the name has a '?' and there is no short name to use instead
    kSpellTrimmed = 3,     // the name ends in a dot or a space and there is no short name to use instead
};
// A name ending in a dot or a space: the Win32 path rules trim the ending, so its path opens
// another file (a namesake without it) or none; only its short name reaches it.
bool EndsTrimmed(const char* name);
// The passed-over kind counted for an entry that could not be spelled (kSpellTooLong,
// kSpellUnnameable or kSpellTrimmed).
WalkSkip PassedOverKind(EntrySpelling spelled);

// Builds both spellings of entry name (short name shortName, empty when the entry has none) below
// a folder searched by longPattern and shortPattern (either empty when it cannot be used), with
// tail appended ("" for a path, "\*.*" for a child pattern). longOut gets the long spelling,
// shortOut the short one, each empty when it is unusable; on kSpelled at least one is not empty,
// otherwise longOut holds as much of the long spelling as fits, for the report only.
EntrySpelling SpellEntry(const char* longPattern, const char* shortPattern, const char* name,
                         const char* shortName, const char* tail, char* longOut, char* shortOut,
                         size_t outSize);
// The spelling the walk uses: the long one while it names the entry, the short one otherwise.
const char* ChosenSpelling(const char* longForm, const char* shortForm);

// Whether a folder entry with these attributes and reparse tag (as the search reported it, 0 when
// it reported none) is a link the walk must not enter: a link may lead back up the tree or out of it.
bool IsFolderLink(uint32_t attributes, uint32_t reparseTag);
// Whether opening a file with these attributes would recall it from a remote store.
bool IsRecalledOnOpen(uint32_t attributes);

// What the walk's message check does with one message it took from the queue.
enum PumpAction {
    kPumpDispatch,  // translate and dispatch as usual
    kPumpAsk,       // ask "Terminate the Scan now?" and do not dispatch
    kPumpDrop,      // an Escape key-down repeated while the key stays down: neither asked nor dispatched
    kPumpStop,      // WM_QUIT or WM_DESTROY: stop the walk without dispatching
};
// Only a fresh key-down of Escape asks (WM_KEYDOWN, WM_SYSKEYDOWN, or WM_CHAR 27 typed some other
// way); the key-up that follows an answer and other messages whose wParam is 27 are dispatched.
PumpAction ClassifyPumpedMessage(uint32_t message, uintptr_t wParam, uintptr_t lParam);
