// Rules for acting on a matched file without letting the path be turned against the machine: when
// the open may skip links, which folder of a path has become a link, and when two names are one
// file (portable: no Win32).
#pragma once
#include <cstddef>

// Whether the system has folder and file links, so the open may ask not to follow one. NT 4 has
// none and may refuse the flag; an NT whose version could not be read is taken as a later one.
bool LinksCanExist(int platformCode, int ntVersionCode);

// Asks whether one folder (a path without a trailing backslash) is a link now.
typedef bool (*FolderIsLink)(const char* folder, void* context);
// Looks at each folder of path below its drive root, from the top down, and copies the first one
// that isLink answers for into changed. False (changed empty) when none is a link. The walk never
// enters a folder link, so a link found here on a walked path was made after the walk passed it.
bool FindLinkedFolder(const char* path, FolderIsLink isLink, void* context, char* changed, size_t changedSize);

// Whether a step after the matching handle was let go may act on what a fresh open found: null
// when it matched again, else why the file is left (for the report line).
const char* WhyLeftAfterReopen(bool opened, bool matches);

// A file's identity: its volume's serial number and its index on that volume. Two names with the
// same identity are one file (hard links); a file put in a name's place has another.
struct FileIdentity {
    unsigned long volume;
    unsigned long indexHigh;
    unsigned long indexLow;
};
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// The walk's rule for a folder it does not enter: a reparse point whose tag is a name surrogate
// (junction, symbolic link, mount point) or unknown (0: the listing did not say).
bool IsLinkFolder(unsigned long attributes, unsigned long reparseTag);
