// How a 32-bit program under WOW64 must spell paths in the Windows folder's system folders so
// that it reaches the files a 64-bit program names (portable: no Win32).
#pragma once
#include <cstddef>

#include "base/product.h"

// The system's answer, decided once per scan. When active is false every routine below leaves
// paths as they are, which is exactly the behaviour of a 32-bit Windows.
struct Wow64View {
    bool active;                        // the program runs under WOW64 on a 64-bit Windows
    char windowsFolder[kPathSize];      // "C:\Windows", no closing backslash
    char windowsFolderShort[kPathSize]; // its short spelling, or empty
};

// The three names a system folder goes by. Under WOW64 the system redirects a 32-bit program's
// System32 to SysWOW64; the real System32 is reached through the alias Sysnative.
enum SystemFolder { kNoSystemFolder, kSystem32, kSysWow64, kSysnative };

// Where in path the system folder's name stands: path begins with a spelling of the Windows
// folder, a backslash, then the name, which ends the path or is followed by a backslash.
// Letters compare without regard to case.
struct SystemFolderSpot {
    SystemFolder folder;
    size_t nameStart;
    size_t nameEnd;
};
SystemFolderSpot FindSystemFolder(const char* path, const Wow64View& view);

// path with its system folder's name replaced by name. False (out empty) when it does not fit.
bool RespellSystemFolder(const char* path, const SystemFolderSpot& spot, const char* name, char* out,
                         size_t outSize);

// The spelling file calls need: System32 becomes Sysnative under WOW64, anything else is copied.
// False (out empty) when the result does not fit.
bool FileCallSpelling(const char* path, const Wow64View& view, char* out, size_t outSize);
// The spelling a 64-bit program uses, shown and reported: Sysnative becomes System32.
bool NativeSpelling(const char* path, const Wow64View& view, char* out, size_t outSize);
// The spelling of path (as a 64-bit program names it) that the file functions need under view:
// buffer with the Sysnative spelling for the real System32 (empty when that does not fit, so that
// the call fails instead of reaching the SysWOW64 namesake), otherwise path itself.
const char* ForFileCalls(const char* path, const Wow64View& view, char* buffer, size_t bufferSize);

// Registry views an autostart value may be read from. kViewOnly is the one view of a 32-bit Windows.
enum RegistryView { kViewOnly, kView64, kView32 };
const int kMaxViewSpellings = 2;
// The spellings that a program reading a value in view resolves to the file a 64-bit program calls
// nativePath: in the 32-bit view a file of the real System32 is spelt through Sysnative, and a
// SysWOW64 file also through System32 (which that view redirects). Fills out[0..] and returns
// how many spellings it wrote (0 when none fits).
int ViewSpellings(const char* nativePath, const Wow64View& view, RegistryView registryView,
                  char out[kMaxViewSpellings][kPathSize]);
