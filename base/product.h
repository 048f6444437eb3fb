// The product's own names, and the codes and sizes its parts hand to each other.
#pragma once
#include <cstddef>
#include <cstdint>
#include "base/version.h"

// Main window title and the caption of the tool's questions; also how a second start finds the first.
const char kProductTitle[] = "Tarvex Ver " TARVEX_VERSION_TEXT;
// The family as the window's texts name it ("Searching for W32/KYR Trojan ...").
const char kFamilyTitle[] = "W32/KYR";
// The family as a detection reports it: the detector row's name and the autostart lines' name.
const char kFamilyDetectionName[] = "W32/KYR.Trojan";
// Asked when Escape, Cancel or the close box would stop a running scan.
const char kTerminateQuestion[] = "Terminate the Scan now?";

// Byte size of a path buffer: the longest path the 8-bit file functions take, and its terminator.
const size_t kPathSize = 260;

// GetPlatformCode's answers.
const int kPlatformFailed = 0;     // GetVersionExA failed
const int kPlatformOther = 1;
const int kPlatformWindows9x = 4;  // Windows 95/98/ME
const int kPlatformNt = 5;         // the NT family
// GetNtVersionCode's answers.
const int kNtVersionNone = 0;      // NT 6 and later, not NT, or failure
const int kNtVersion4 = 5;         // NT 4 and earlier
const int kNtVersion5 = 6;         // NT 5.x

// DispositionCode values held in ScanState::dispositionCode.
const int kDispositionRemove = 100;
const int kDispositionRename = 101;
const int kDispositionRemoveToo = 102;
const int kDispositionLeave = 103;

// Only the removing and renaming dispositions act on a find; kDispositionLeave only reports.
inline bool DispositionActs(int32_t code)
{
    return code == kDispositionRemove || code == kDispositionRename || code == kDispositionRemoveToo;
}

