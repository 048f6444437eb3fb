// A file's path in each spelling the system accepts for it: as given, with short (8.3) names and
// with long names, so that a command or a process image written either way is recognised.
#pragma once
#include "run/system_folders.h"
#include "base/win32_scope.h"

const int kPathSpellings = 3;

class PathSpellings {
public:
    // Looks both other spellings up; one the system cannot give stays empty. lowerCase lower-cases
    // them (the autostart rules compare lower-cased text byte by byte).
    // view: the scan's WOW64 view, by which the file is looked up.
    PathSpellings(const char* path, bool lowerCase, const Wow64View& view);
    PathSpellings(const PathSpellings&) = delete;
    PathSpellings& operator=(const PathSpellings&) = delete;
    // The path as given, its short and its long spelling; empty ones are "".
    const char* const* Forms() const { return m_forms; }

private:
    RegistryData m_short;
    RegistryData m_long;
    const char* m_forms[kPathSpellings];
};
